#include "app/QtSoundOutput.h"

#include "app/FirstExposure.h"

#include <QFile>
#include <QPointer>
#include <QUrl>
#include <QWindow>

#include <dlfcn.h>

#include <utility>

QtSoundOutput::QtSoundOutput(QObject* parent, std::string module)
    : QObject(parent), m_module(std::move(module)) {}

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

void QtSoundOutput::loadBackEnd() {
    // Called from this program's own code, so the loader searches the program's run-time path.
    // The module stays loaded: the back-end's code runs until the program ends.
    void* module = dlopen(m_module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return;
    const auto make = reinterpret_cast<audiomodule::Maker>(dlsym(module, audiomodule::makerName));
    if (make)
        m_backEnd.reset(make());
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
    // The module is looked for once; without it every sound is silence.
    if (!m_backEndStarted)
        loadBackEnd();
    m_backEndStarted = true;
    if (!m_backEnd || !QFile::exists(resourcePath(resource)))
        return;
    m_backEnd->play(resourceUrl(resource));
}

void QtSoundOutput::stop() {
    m_waiting.clear();
    if (m_backEnd)
        m_backEnd->stop();
}
