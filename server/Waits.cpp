#include "server/Waits.h"

#include <cassert>

namespace server {

std::uint64_t Waits::begin(MHD_Connection* connection, Request& request, Route& route) {
    request.waitingOn = &route;
    const std::lock_guard lock(m_mutex);
    if (!m_accepting) {
        return 0;
    }
    MHD_suspend_connection(connection);
    const std::uint64_t id = ++m_lastId;
    m_suspended.emplace(id, std::pair{connection, &request});
    return id;
}

void Waits::close() {
    const std::lock_guard lock(m_mutex);
    m_accepting = false;
}

void Waits::giveUp() {
    const std::lock_guard lock(m_mutex);
    assert(!m_accepting); // a wait begun after this would never be resumed
    for (auto& [id, waiting] : m_suspended) {
        waiting.second->givenUp = true;
        MHD_resume_connection(waiting.first);
    }
    m_suspended.clear();
}

} // namespace server
