#include "server/Worker.h"

#include <cassert>

namespace server {

Worker::Worker(Loop loop, int threads) {
    assert(threads > 0 && loop);
    m_threads.reserve(static_cast<std::size_t>(threads));
    for (int i = 0; i < threads; ++i) {
        m_threads.emplace_back([this, loop] { loop(*this); });
    }
}

Worker::~Worker() {
    stop();
}

bool Worker::pause(Lock& lock, Clock::duration time) {
    m_wake.wait_for(lock, m_stop.get_token(), time, [] { return false; });
    return !stopping();
}

void Worker::stop() {
    // The stop wakes every wait above through the stop token, without a lost wake-up.
    m_stop.request_stop();
    for (std::jthread& thread : m_threads) {
        if (thread.joinable()) {
            assert(thread.get_id() != std::this_thread::get_id()); // a loop cannot end itself
            thread.join();
        }
    }
}

} // namespace server
