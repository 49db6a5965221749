#include "update/QtTerminationWatch.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array watched = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write to a pipe; one pipe serves the process.
int signalPipe[2] = {-1, -1};
std::array<struct sigaction, watched.size()> previous{};

void onSignal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QtTerminationWatch::QtTerminationWatch(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {}

QtTerminationWatch::~QtTerminationWatch() {
    disarm();
}

bool QtTerminationWatch::arm() {
    if (m_armed) {
        return true;
    }
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    if (!m_notifier) {
        m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { readSignals(); });
    }
    struct sigaction action {};
    action.sa_handler = ::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < watched.size(); ++i) {
        if (::sigaction(watched[i], &action, &previous[i]) != 0) {
            for (std::size_t j = 0; j < i; ++j) {
                ::sigaction(watched[j], &previous[j], nullptr);
            }
            return false;
        }
    }
    m_notifier->setEnabled(true);
    m_armed = true;
    return true;
}

void QtTerminationWatch::disarm() {
    if (!m_armed) {
        return;
    }
    for (std::size_t i = 0; i < watched.size(); ++i) {
        ::sigaction(watched[i], &previous[i], nullptr);
    }
    m_notifier->setEnabled(false);
    m_armed = false;
}

void QtTerminationWatch::readSignals() {
    unsigned char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1) {
        if (m_onSignal) {
            m_onSignal(byte);
        }
    }
}
