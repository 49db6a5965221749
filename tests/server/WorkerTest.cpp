// The server's background loop: it runs, wakes when handed work, drains or stops as its loop
// says, and its destructor ends even a loop that waits for nothing or sleeps for an hour.

#include "server/Worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <future>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(Worker, RunsItsLoopAndWakesWhenHandedWork) {
    std::deque<int> queue;
    std::vector<int> done;
    std::promise<void> allDone;
    server::Worker worker([&](server::Worker& w) {
        auto lock = w.lock();
        while (w.wait(lock, [&] { return !queue.empty(); })) {
            done.push_back(queue.front());
            queue.pop_front();
            if (done.size() == 3) {
                allDone.set_value();
            }
        }
    });
    for (int i = 1; i <= 3; ++i) {
        {
            auto lock = worker.lock();
            queue.push_back(i);
        }
        // Without this wake-up the loop would wait for ever: its wait has no time-out.
        worker.notifyOne();
    }
    allDone.get_future().wait();
    auto lock = worker.lock();
    EXPECT_EQ(done, (std::vector<int>{1, 2, 3}));
}

TEST(Worker, ItsDestructorEndsALoopThatWaitsForNothingOrSleepsForAnHour) {
    std::promise<void> waiting, sleeping;
    std::atomic<bool> waitEnded{false}, sleepEnded{false};
    {
        const server::Worker waiter([&](server::Worker& w) {
            auto lock = w.lock();
            waiting.set_value();
            w.wait(lock, [] { return false; });
            waitEnded = w.stopping();
        });
        const server::Worker sleeper([&](server::Worker& w) {
            auto lock = w.lock();
            sleeping.set_value();
            while (w.pause(lock, 1h)) {
            }
            sleepEnded = true;
        });
        waiting.get_future().wait();
        sleeping.get_future().wait();
    } // a stop that failed to wake them would hang here
    EXPECT_TRUE(waitEnded);
    EXPECT_TRUE(sleepEnded);
}

TEST(Worker, ALoopThatDrainsFinishesItsQueueAfterTheStopIsAsked) {
    std::deque<int> queue;
    std::vector<int> done;
    std::promise<void> started;
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    server::Worker worker([&](server::Worker& w) {
        started.set_value();
        released.wait(); // the work is queued, and the stop asked, while this waits
        auto lock = w.lock();
        while (w.wait(lock, [&] { return !queue.empty(); })) {
            done.push_back(queue.front());
            queue.pop_front();
        }
    });
    started.get_future().wait();
    {
        auto lock = worker.lock();
        queue = {1, 2, 3};
    }
    std::thread stopper([&] { worker.stop(); });
    while (!worker.stopping()) {
        std::this_thread::yield();
    }
    release.set_value();
    stopper.join();
    EXPECT_EQ(done, (std::vector<int>{1, 2, 3}));
}

TEST(Worker, EveryThreadRunsTheLoopAtOnce) {
    std::atomic<int> running{0};
    std::promise<void> allRunning;
    {
        const server::Worker workers(
            [&](server::Worker& w) {
                if (++running == 3) {
                    allRunning.set_value();
                }
                auto lock = w.lock();
                w.wait(lock, [] { return false; });
            },
            3);
        // Only reached when three threads run the loop together.
        allRunning.get_future().wait();
    }
    EXPECT_EQ(running, 3);
}

} // namespace
