#include "QtSoundOutput.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

QtSoundOutput::QtSoundOutput(QObject* parent) : QObject(parent) {}

QtSoundOutput::~QtSoundOutput() = default;

QString QtSoundOutput::resourcePath(const QString& resource) {
    return QStringLiteral(":/WAVE/") + resource;
}

QSoundEffect* QtSoundOutput::effectFor(const QString& resource) {
    if (QSoundEffect* known = effects_.value(resource))
        return known;
    if (!QFile::exists(resourcePath(resource)))
        return nullptr;
    if (!folder_) {
        folder_ = std::make_unique<QTemporaryDir>();
        if (!folder_->isValid()) {
            folder_.reset();
            return nullptr;
        }
    }
    const QString file = folder_->filePath(resource + QStringLiteral(".wav"));
    if (!QFile::exists(file) && !QFile::copy(resourcePath(resource), file))
        return nullptr;

    auto* effect = new QSoundEffect(QMediaDevices::defaultAudioOutput(), this);
    effect->setSource(QUrl::fromLocalFile(file));
    effects_.insert(resource, effect);
    return effect;
}

void QtSoundOutput::play(const std::string& resource) {
    // Asked each time, so a device plugged in later is used; no device means silence.
    if (QMediaDevices::defaultAudioOutput().isNull())
        return;
    QSoundEffect* effect = effectFor(QString::fromStdString(resource));
    if (!effect)
        return;
    stop();
    current_ = effect;
    // A sound still loading starts when it is ready; QSoundEffect queues that itself.
    effect->play();
}

void QtSoundOutput::stop() {
    if (current_)
        current_->stop();
    current_ = nullptr;
}
