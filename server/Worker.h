#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace server {

// A background loop on threads of its own, with the lock over what it waits for and the wake-up
// it waits on. Every wait ends early once a stop is asked; the destructor asks for the stop and
// waits for the loop to return, so an owner stops its loops by letting the worker go. Declare a
// worker after everything its loop uses: it is then gone before they are.
class Worker {
public:
    using Lock = std::unique_lock<std::mutex>;
    using Clock = std::chrono::steady_clock;
    // Runs on each of the worker's threads; returns once stopping() holds (a wait tells it).
    using Loop = std::function<void(Worker&)>;

    explicit Worker(Loop loop, int threads = 1);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // The lock over what the loop waits for; the threads that hand it work take it too.
    Lock lock() { return Lock(m_mutex); }

    // Under the lock: waits until `ready` holds or a stop is asked; returns ready().
    template <class Ready> bool wait(Lock& lock, Ready ready) {
        return m_wake.wait(lock, m_stop.get_token(), std::move(ready));
    }
    // The same with a deadline: returns ready(), false also when the time ran out.
    template <class Ready> bool waitUntil(Lock& lock, Clock::time_point deadline, Ready ready) {
        return m_wake.wait_until(lock, m_stop.get_token(), deadline, std::move(ready));
    }
    // Under the lock: sleeps for `time` or until a stop is asked; returns false once it is.
    bool pause(Lock& lock, Clock::duration time);

    // Wakes one waiting thread, or all of them, to look at `ready` again.
    void notifyOne() { m_wake.notify_one(); }
    void notifyAll() { m_wake.notify_all(); }

    bool stopping() const { return m_stop.stop_requested(); }
    // Asks the loop to stop and waits until every thread has returned; what the destructor does.
    void stop();

private:
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::stop_source m_stop;
    std::vector<std::jthread> m_threads; // last: started once everything above exists
};

} // namespace server
