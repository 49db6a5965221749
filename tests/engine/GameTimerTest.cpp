// The timer semantics every binding shares: intervals, starts and stops, restarts.

#include "tests/support/TickLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::Log;
using testsupport::Ticks;

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
    t->setInterval(100);
    t->start();
    k.clock.advance(40);
    EXPECT_EQ(k.log, (Log{"t@100"}));
}

TEST(GameTimer, NewIntervalOnARunningTimerRestartsTheCountdown) {
    Ticks k;
    auto t = k.make("t", 100);
    t->start();
    k.clock.advance(60);
    t->setInterval(50);
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
    t->setInterval(30);
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
    t->setInterval(10);
    k.clock.advance(10);
    EXPECT_EQ(k.log, (Log{"t@1010"}));
}

} // namespace
