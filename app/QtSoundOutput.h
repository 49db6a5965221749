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

class QtSoundOutput : public QObject, public SoundOutput {
    Q_OBJECT
public:
    explicit QtSoundOutput(QObject* parent = nullptr);
    ~QtSoundOutput() override;

    void play(const std::string& resource) override;
    void stop() override;

    // ":/WAVE/CLEAR" for "CLEAR".
    static QString resourcePath(const QString& resource);
    // The same recording as the source URL QSoundEffect reads: "qrc:/WAVE/CLEAR".
    static QUrl resourceUrl(const QString& resource);

private:
    QSoundEffect* effectFor(const QString& resource);

    QHash<QString, QSoundEffect*> m_effects;
    QSoundEffect* m_current = nullptr;
};
