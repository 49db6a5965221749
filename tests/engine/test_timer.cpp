// The timer semantics and the virtual clock that fires them.

#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

struct Ticks {
    VirtualClock clock;
    Log log;
    std::unique_ptr<GameTimer> make(const std::string& name, int interval) {
        auto t = clock.createtimer();
        t->setinterval(interval);
        t->ontick([this, name] { log.push_back(name + "@" + std::to_string(clock.now())); });
        return t;
    }
};

TEST(GameTimer, TicksEveryIntervalWhileRunning) {
    Ticks k;
    auto t = k.make("t", 100);
    k.clock.advance(500);
    EXPECT_TRUE(k.log.empty()) << "a timer starts stopped";
    t->start();
    EXPECT_TRUE(t->running());
    k.clock.advance(350);
    EXPECT_EQ(k.log, (Log{"t@600", "t@700", "t@800"}));
    t->stop();
    EXPECT_FALSE(t->running());
    k.clock.advance(1000);
    EXPECT_EQ(k.log.size(), 3U);
}

TEST(GameTimer, SameIntervalOrStartOnARunningTimerChangesNothing) {
    Ticks k;
    auto t = k.make("t", 100);
    t->start();
    k.clock.advance(60);
    t->setinterval(100);
    t->start();
    k.clock.advance(40);
    EXPECT_EQ(k.log, (Log{"t@100"}));
}

TEST(GameTimer, NewIntervalOnARunningTimerRestartsTheCountdown) {
    Ticks k;
    auto t = k.make("t", 100);
    t->start();
    k.clock.advance(60);
    t->setinterval(50);
    k.clock.advance(100);
    EXPECT_EQ(k.log, (Log{"t@110", "t@160"}));
    EXPECT_EQ(t->interval(), 50);
}

TEST(GameTimer, StopAndStartBeginsAFreshCountdown) {
    Ticks k;
    auto t = k.make("t", 100);
    t->start();
    k.clock.advance(60);
    t->stop();
    t->start();
    k.clock.advance(100);
    EXPECT_EQ(k.log, (Log{"t@160"}));
}

TEST(GameTimer, IntervalOfAStoppedTimerTakesEffectAtStart) {
    Ticks k;
    auto t = k.make("t", 100);
    t->setinterval(30);
    k.clock.advance(50);
    EXPECT_TRUE(k.log.empty());
    t->start();
    k.clock.advance(70);
    EXPECT_EQ(k.log, (Log{"t@80", "t@110"}));
}

TEST(GameTimer, ZeroIntervalNeverTicks) {
    Ticks k;
    auto t = k.make("t", 0);
    t->start();
    k.clock.advance(1000);
    EXPECT_TRUE(k.log.empty());
    t->setinterval(10);
    k.clock.advance(10);
    EXPECT_EQ(k.log, (Log{"t@1010"}));
}

TEST(VirtualClock, FiresInOrderOfDueTimeAndTiesInCreationOrder) {
    Ticks k;
    auto a = k.make("a", 30);
    auto b = k.make("b", 20);
    b->start();
    a->start();
    k.clock.advance(60);
    EXPECT_EQ(k.log, (Log{"b@20", "a@30", "b@40", "a@60", "b@60"}));
    EXPECT_EQ(k.clock.now(), 60);
}

TEST(VirtualClock, TicksMadeDueByAHandlerFireWithinTheSameAdvance) {
    Ticks k;
    auto later = k.make("later", 15);
    auto first = k.make("first", 10);
    first->ontick([&] {
        k.log.push_back("first@" + std::to_string(k.clock.now()));
        first->stop();
        later->start();
    });
    first->start();
    k.clock.advance(30);
    EXPECT_EQ(k.log, (Log{"first@10", "later@25"}));
}

TEST(VirtualClock, StepMovesToTheNextDueTick) {
    Ticks k;
    auto t = k.make("t", 250);
    EXPECT_FALSE(k.clock.step());
    EXPECT_EQ(k.clock.now(), 0);
    t->start();
    EXPECT_TRUE(k.clock.step());
    EXPECT_EQ(k.clock.now(), 250);
    EXPECT_EQ(k.log, (Log{"t@250"}));
}

TEST(VirtualClock, ADestroyedTimerNoLongerTicks) {
    Ticks k;
    auto t = k.make("t", 10);
    t->start();
    t.reset();
    k.clock.advance(100);
    EXPECT_TRUE(k.log.empty());
}

} // namespace
