#include "app/QtSoundOutput.h"

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

QUrl QtSoundOutput::resourceUrl(const QString& resource) {
    return QUrl(QStringLiteral("qrc") + resourcePath(resource));
}

QSoundEffect* QtSoundOutput::effectFor(const QString& resource) {
    if (QSoundEffect* known = m_effects.value(resource))
        return known;
    if (!QFile::exists(resourcePath(resource)))
        return nullptr;
    auto* effect = new QSoundEffect(QMediaDevices::defaultAudioOutput(), this);
    effect->setSource(resourceUrl(resource));
    m_effects.insert(resource, effect);
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
    m_current = effect;
    // A sound still loading starts when it is ready; QSoundEffect queues that itself.
    effect->play();
}

void QtSoundOutput::stop() {
    if (m_current)
        m_current->stop();
    m_current = nullptr;
}
