// The virtual clock: ticks in order of due time, ticks made due on the way, single steps.

#include "tests/support/TickLog.h"

#include <gtest/gtest.h>

namespace {

using testsupport::Log;
using testsupport::Ticks;

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
    first->onTick([&] {
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
