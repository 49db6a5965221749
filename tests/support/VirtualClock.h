#pragma once

// A clock for tests: it makes GameTimers that tick only when the clock is advanced, so a whole
// game runs in milliseconds and the same way every time.

#include "engine/GameTimer.h"

#include <cstdint>
#include <memory>
#include <vector>

class VirtualClock : public TimerFactory {
public:
    VirtualClock();
    ~VirtualClock() override;

    std::unique_ptr<GameTimer> createTimer() override;

    // Moves the clock ms milliseconds on, firing every tick that falls due on the way, in order
    // of due time; ticks due at the same moment fire in the order the timers were created.
    // A tick that a handler makes due within the span fires too.
    void advance(std::int64_t ms);
    // Milliseconds since the clock was made.
    std::int64_t now() const;
    // Moves on to the next due tick and fires it (and every other tick due at that moment);
    // returns false, without moving, when no timer is counting down.
    bool step();

    struct Timers; // the shared list of timers, kept alive by the timers too

private:
    std::shared_ptr<Timers> m_timers;
};
