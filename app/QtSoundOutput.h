#pragma once

#include "app/SoundOutput.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QSoundEffect;

// Plays the recordings embedded under ":/WAVE/<name>" with QSoundEffect. Loading and playback
// run in Qt's audio machinery, so play() returns at once. Without an audio output device it
// does nothing at all.
class QtSoundOutput : public QObject, public SoundOutput {
    Q_OBJECT
public:
    explicit QtSoundOutput(QObject* parent = nullptr);
    ~QtSoundOutput() override;

    void play(const std::string& resource) override;
    void stop() override;

    // ":/WAVE/CLEAR" for "CLEAR".
    static QString resourcePath(const QString& resource);

private:
    QSoundEffect* effectFor(const QString& resource);

    // QSoundEffect does not read Qt resources in every Qt version, so each recording is copied
    // once to a private temporary folder that goes away with this object.
    std::unique_ptr<QTemporaryDir> m_folder;
    QHash<QString, QSoundEffect*> m_effects;
    QSoundEffect* m_current = nullptr;
};
