#include "server/PgCutoffs.h"

#include <sys/socket.h>

#include <algorithm>

namespace server {

PgCutoffs::PgCutoffs() : m_cutter([this](Worker& cutter) { run(cutter); }) {}

std::uint64_t PgCutoffs::arm(int socket, StoreClock::time_point deadline) {
    const Worker::Lock lock = m_cutter.lock();
    m_armed[++m_last] = {socket, deadline};
    m_cutter.notifyAll();
    return m_last;
}

void PgCutoffs::disarm(std::uint64_t id) {
    const Worker::Lock lock = m_cutter.lock();
    m_armed.erase(id);
}

void PgCutoffs::run(Worker& cutter) {
    Worker::Lock lock = cutter.lock();
    while (!cutter.stopping()) {
        const auto now = StoreClock::now();
        auto next = StoreClock::time_point::max();
        for (auto it = m_armed.begin(); it != m_armed.end();) {
            if (it->second.second <= now) {
                ::shutdown(it->second.first, SHUT_RDWR);
                it = m_armed.erase(it);
            } else {
                next = std::min(next, it->second.second);
                ++it;
            }
        }
        // A cutoff armed meanwhile may be due sooner: look again.
        const std::uint64_t seen = m_last;
        const auto armedAgain = [this, seen] { return m_last != seen; };
        if (next == StoreClock::time_point::max()) {
            cutter.wait(lock, armedAgain);
        } else {
            cutter.waitUntil(lock, next, armedAgain);
        }
    }
}

} // namespace server
