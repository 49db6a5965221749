#pragma once

// Qt edge of the sounds: plays the recordings embedded under ":/WAVE/<name>" with QSoundEffect,
// straight from the resources. Loading and playback run in Qt's audio machinery, so play()
// returns at once. Without an audio output device it does nothing at all.

#include "app/SoundOutput.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QUrl>

class QSoundEffect;
class QWindow;

class QtSoundOutput : public QObject, public SoundOutput {
    Q_OBJECT
public:
    explicit QtSoundOutput(QObject* parent = nullptr);
    ~QtSoundOutput() override;

    // From now on sounds wait, so starting the audio back-end cannot delay the first window.
    void hold();
    // One turn of the event loop after `window` is first exposed on the screen (at once if it
    // already is) the back-end starts and the last sound asked for meanwhile plays, as if it had
    // just been asked for. A window that goes unseen takes its waiting sound with it.
    void releaseAfterExposed(QWindow* window);

    void play(const std::string& resource) override;
    void stop() override;

    // ":/WAVE/CLEAR" for "CLEAR".
    static QString resourcePath(const QString& resource);
    // The same recording as the source URL QSoundEffect reads: "qrc:/WAVE/CLEAR".
    static QUrl resourceUrl(const QString& resource);

    // Public for tests: the recording that waits for the window (empty when none), and whether
    // the audio back-end has been asked anything yet.
    QString waiting() const { return m_waiting; }
    bool backEndStarted() const { return m_backEndStarted; }

private:
    void playNow(const QString& resource);
    void release();
    QSoundEffect* effectFor(const QString& resource);

    bool m_holding = false;
    QString m_waiting;
    bool m_backEndStarted = false;
    QHash<QString, QSoundEffect*> m_effects;
    QSoundEffect* m_current = nullptr;
};
