#pragma once

#include "server/Request.h"

#include <microhttpd.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

namespace server {

class Route;

// Connections suspended while the store, the renderer or a replayer works for them. The engine
// must not stop with one still suspended, so a stop closes the door to new waits and at last
// resumes those left. Each wait ends once: an answer that comes after finds nothing and touches
// nothing, even once the engine is gone (hold the registry by shared_ptr for that).
class Waits {
public:
    // Suspends the request's connection until its wait is finished, then `route` answers it;
    // returns the wait, or 0 when the server is stopping and the request must be answered at once.
    std::uint64_t begin(MHD_Connection* connection, Request& request, Route& route);

    // Hands the waiting request to `answer` and resumes its connection, if it still waits.
    template <class Answer> void finish(std::uint64_t id, Answer&& answer) {
        const std::lock_guard lock(m_mutex);
        const auto it = m_suspended.find(id);
        if (it != m_suspended.end()) {
            answer(*it->second.second);
            MHD_resume_connection(it->second.first);
            m_suspended.erase(it);
        }
    }

    // No new waits from now on: requests that would wait are answered at once.
    void close();
    // After close(): resumes every connection still waiting, to be answered without what it
    // waits for (Request::givenUp).
    void giveUp();

private:
    std::mutex m_mutex;
    bool m_accepting = true;
    std::uint64_t m_lastId = 0;
    std::map<std::uint64_t, std::pair<MHD_Connection*, Request*>> m_suspended;
};

} // namespace server
