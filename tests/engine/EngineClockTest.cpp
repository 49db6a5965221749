// The game's clock: sleeping timers keep their grid without running a handler, nextDue ignores
// them, and every change of the schedule is reported.

#include "engine/EngineClock.h"
#include "tests/support/TickLog.h"

#include <gtest/gtest.h>

namespace {

using testsupport::Log;
using testsupport::Ticks;

TEST(EngineClock, ASleepingTimerRunsNoHandlerAndWakesOnItsGrid) {
    Ticks k;
    auto removal = k.make("removal", 10);
    auto drop = k.make("drop", 25);
    removal->start();
    drop->start();
    removal->sleep();
    EXPECT_EQ(k.clock.nextDue(), 25) << "only awake timers are due";
    k.clock.advance(37);
    EXPECT_EQ(k.log, (Log{"drop@25"}));
    removal->wake();
    EXPECT_EQ(k.clock.nextDue(), 40) << "the grid of 10 that began at 0";
    k.clock.advance(13);
    EXPECT_EQ(k.log, (Log{"drop@25", "removal@40", "removal@50", "drop@50"}));

    // Woken by another timer's tick at a moment of its own grid: that tick still comes.
    Ticks w;
    auto first = w.make("first", 30);
    auto sleeper = w.make("sleeper", 10);
    first->onTick([&] {
        w.log.push_back("first@" + std::to_string(w.clock.now()));
        sleeper->wake();
    });
    sleeper->start();
    sleeper->sleep();
    first->start();
    w.clock.advance(40);
    EXPECT_EQ(w.log, (Log{"first@30", "sleeper@30", "sleeper@40"}));

    // An idle day passes in one step; advanceTo never goes back.
    removal->sleep();
    drop->stop();
    EXPECT_FALSE(k.clock.step());
    k.clock.advanceTo(86'400'000);
    EXPECT_EQ(k.clock.now(), 86'400'000);
    k.clock.advanceTo(5);
    EXPECT_EQ(k.clock.now(), 86'400'000);
    removal->wake();
    EXPECT_EQ(k.clock.nextDue(), 86'400'010);
}

// A handler that opens a modal message runs a nested event loop, which drives the clock on.
TEST(EngineClock, AHandlerThatAdvancesTheClockLeavesTimeGoingForward) {
    Ticks k;
    auto t = k.make("t", 100);
    bool nested = false;
    t->onTick([&] {
        k.log.push_back("t@" + std::to_string(k.clock.now()));
        if (!nested) {
            nested = true;
            k.clock.advanceTo(350);
        }
    });
    t->start();
    k.clock.advance(200);
    EXPECT_EQ(k.log, (Log{"t@100", "t@200", "t@300"})) << "each tick once, in order";
    EXPECT_EQ(k.clock.now(), 350);
    EXPECT_EQ(k.clock.nextDue(), 400);
}

TEST(EngineClock, ReportsEveryChangeOfTheSchedule) {
    Ticks k;
    int changes = 0;
    k.clock.onScheduleChanged([&] { ++changes; });
    auto t = k.make("t", 10);
    const auto after = [&](auto&& change) {
        const int before = changes;
        change();
        return changes - before;
    };
    EXPECT_EQ(after([&] { t->start(); }), 1);
    EXPECT_EQ(after([&] { t->setInterval(20); }), 1);
    EXPECT_EQ(after([&] { t->sleep(); }), 1);
    EXPECT_EQ(after([&] { t->wake(); }), 1);
    EXPECT_EQ(after([&] { t->stop(); }), 1);
    EXPECT_EQ(after([&] { t.reset(); }), 1);
}

} // namespace
