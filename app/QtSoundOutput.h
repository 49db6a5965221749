#pragma once

// Qt edge of the sounds: plays the recordings embedded under ":/WAVE/<name>" with QSoundEffect,
// straight from the resources. Loading and playback run in Qt's audio machinery, so play()
// returns at once. Without an audio output device it does nothing at all. The audio back-end is
// a module (AudioBackEnd.h) loaded at the first sound played; without the module the game is
// silent.

#include "app/AudioBackEnd.h"
#include "app/SoundOutput.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>
#include <string>

class QWindow;

class QtSoundOutput : public QObject, public SoundOutput {
    Q_OBJECT
public:
    // module: the back-end's file name, looked for along the program's run-time search path.
    explicit QtSoundOutput(QObject* parent = nullptr, std::string module = audiomodule::fileName);
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

    // Public for tests: the recording that waits for the window (empty when none), whether
    // the audio back-end has been asked anything yet, and whether its module is loaded.
    QString waiting() const { return m_waiting; }
    bool backEndStarted() const { return m_backEndStarted; }
    bool backEndLoaded() const { return m_backEnd != nullptr; }

private:
    void playNow(const QString& resource);
    void release();
    void loadBackEnd();

    std::string m_module;
    bool m_holding = false;
    QString m_waiting;
    bool m_backEndStarted = false;
    std::unique_ptr<AudioBackEnd> m_backEnd;
};
