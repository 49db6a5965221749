#include "app/QtSoundOutput.h"

#include <QAudioDevice>
#include <QEvent>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <QWindow>

QtSoundOutput::QtSoundOutput(QObject* parent) : QObject(parent) {}

QtSoundOutput::~QtSoundOutput() {
    if (m_shownWindow)
        m_shownWindow->removeEventFilter(this);
}

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
    if (m_shownWindow)
        m_shownWindow->removeEventFilter(this);
    m_shownWindow = nullptr;
    if (window->isExposed()) {
        QTimer::singleShot(0, this, &QtSoundOutput::release);
        return;
    }
    m_shownWindow = window;
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this] {
        m_holding = false;
        m_waiting.clear();
    });
}

bool QtSoundOutput::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_shownWindow && event->type() == QEvent::Expose) {
        m_shownWindow->removeEventFilter(this);
        m_shownWindow = nullptr;
        // After the window has painted itself for this exposure, not before.
        QTimer::singleShot(0, this, &QtSoundOutput::release);
    }
    return QObject::eventFilter(watched, event);
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
