#include "app/QtSoundOutput.h"

#include "app/FirstExposure.h"

#include <QFile>
#include <QPointer>
#include <QUrl>
#include <QWindow>

#include <dlfcn.h>
#include <unistd.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

// The folders the loader searches for the program's own libraries, in its order: those of
// LD_LIBRARY_PATH, the program's run-time search path, the system's. Asked of the program itself,
// not of whoever calls dlopen (a sanitizer's interceptor would search its own path instead).
// Only absolute folders: an empty or relative entry would mean the current folder.
std::vector<std::string> programSearchPath() {
    void* program = dlopen(nullptr, RTLD_LAZY);
    if (!program) {
        return {};
    }
    std::vector<std::string> folders;
    Dl_serinfo size{};
    if (dlinfo(program, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
        // Dl_serinfo ends in an array of unknown length: a buffer of the size asked, aligned
        // as the structure.
        const std::unique_ptr<char[]> buffer(new char[size.dls_size + alignof(Dl_serinfo)]);
        void* aligned = buffer.get();
        std::size_t space = size.dls_size + alignof(Dl_serinfo);
        auto* info = static_cast<Dl_serinfo*>(
            std::align(alignof(Dl_serinfo), size.dls_size, aligned, space));
        if (info && dlinfo(program, RTLD_DI_SERINFOSIZE, info) == 0 &&
            dlinfo(program, RTLD_DI_SERINFO, info) == 0) {
            for (unsigned i = 0; i < info->dls_cnt; ++i) {
                const char* folder = info->dls_serpath[i].dls_name;
                if (folder && folder[0] == '/') {
                    folders.emplace_back(folder);
                }
            }
        }
    }
    dlclose(program);
    return folders;
}

} // namespace

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
        if (self) {
            self->release();
        }
    });
    connect(window, &QObject::destroyed, this, [this] {
        m_holding = false;
        m_waiting.clear();
    });
}

void QtSoundOutput::release() {
    if (!m_holding) {
        return;
    }
    m_holding = false;
    const QString waiting = m_waiting;
    m_waiting.clear();
    if (!waiting.isEmpty()) {
        playNow(waiting);
    }
}

void QtSoundOutput::loadBackEnd() {
    // The first module of that name along the program's search path, as the loader would take
    // it; it stays loaded, as the back-end's code runs until the program ends.
    void* module = nullptr;
    for (const std::string& folder : programSearchPath()) {
        const std::string path = folder + '/' + m_module;
        if (access(path.c_str(), F_OK) == 0 &&
            (module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))) {
            break;
        }
    }
    if (!module) {
        return;
    }
    const auto make = reinterpret_cast<audiomodule::Maker>(dlsym(module, audiomodule::makerName));
    if (make) {
        m_backEnd.reset(make());
    }
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
    if (!m_backEndStarted) {
        loadBackEnd();
    }
    m_backEndStarted = true;
    if (!m_backEnd || !QFile::exists(resourcePath(resource))) {
        return;
    }
    m_backEnd->play(resourceUrl(resource));
}

void QtSoundOutput::stop() {
    m_waiting.clear();
    if (m_backEnd) {
        m_backEnd->stop();
    }
}
