#include "app/QtSoundOutput.h"

#include "app/FirstExposure.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>
#include <QWindow>

QtSoundOutput::QtSoundOutput(QObject* parent) : QObject(parent) {}

QtSoundOutput::~QtSoundOutput() = default;

QString QtSoundOutput::resourcePath(const QString& resource) {
    return QStringLiteral(":/WAVE/") + resource;
}

QUrl QtSoundOutput::resourceUrl(const QString& resource) {
    return QUrl(QStringLiteral("qrc") + resourcePath(resource));
}

void QtSoundOutput::hold() {
    m_holding = true;
}

void QtSoundOutput::releaseAfterExposed(QWindow* window) {
    afterFirstExposure(window, [self = QPointer<QtSoundOutput>(this)] {
        if (self)
            self->release();
    });
    connect(window, &QObject::destroyed, this, [this] {
        m_holding = false;
        m_waiting.clear();
    });
}

void QtSoundOutput::release() {
    if (!m_holding)
        return;
    m_holding = false;
    const QString waiting = m_waiting;
    m_waiting.clear();
    if (!waiting.isEmpty())
        playNow(waiting);
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
    const QString name = QString::fromStdString(resource);
    if (m_holding) {
        // One sound at a time: a later one would have cut this one off anyway.
        m_waiting = name;
        return;
    }
    playNow(name);
}

void QtSoundOutput::playNow(const QString& resource) {
    m_backEndStarted = true;
    // Asked each time, so a device plugged in later is used; no device means silence.
    if (QMediaDevices::defaultAudioOutput().isNull())
        return;
    QSoundEffect* effect = effectFor(resource);
    if (!effect)
        return;
    stop();
    m_current = effect;
    // A sound still loading starts when it is ready; QSoundEffect queues that itself.
    effect->play();
}

void QtSoundOutput::stop() {
    m_waiting.clear();
    if (m_current)
        m_current->stop();
    m_current = nullptr;
}
