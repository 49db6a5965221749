#pragma once

// The game's one clock: it makes GameTimers that tick only when the clock is advanced, so the
// same inputs at the same clock times always give the same game. Tests and the server's replay
// advance it by hand; the program advances it to the real time that has passed.
//
// Ticks fire in order of due time; ticks due at the same moment fire in the order the timers
// were made, and a tick that a handler makes due within the span fires too. A timer that is
// asleep (see GameTimer) keeps its grid of due times, but its ticks run no handler; after
// wake() it ticks on at the next due time of that grid, as if it had ticked all along.

#include "engine/GameTimer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class EngineClock : public TimerFactory {
public:
    EngineClock();
    ~EngineClock() override;
    EngineClock(const EngineClock&) = delete;
    EngineClock& operator=(const EngineClock&) = delete;

    // The timers may outlive the clock; they then no longer tick.
    std::unique_ptr<GameTimer> createTimer() override;

    // Moves the clock ms milliseconds on (nothing for ms <= 0), firing every tick due on the way.
    void advance(std::int64_t ms);
    // The same, to an absolute clock time; a time before now() changes nothing.
    void advanceTo(std::int64_t at);
    // Milliseconds since the clock was made.
    std::int64_t now() const;
    // Moves on to the next tick that runs a handler and fires it (and every other tick due at
    // that moment); returns false, without moving, when no awake timer is counting down.
    bool step();
    // When the next tick that runs a handler is due, if an awake timer counts down.
    std::optional<std::int64_t> nextDue() const;

    // Called whenever a timer begins or ends a countdown, falls asleep or wakes, or goes: the
    // answer of nextDue() may have changed. A driver uses it to sleep exactly until then.
    void onScheduleChanged(std::function<void()> handler);

    struct Timers; // the shared list of timers, kept alive by the timers too

private:
    std::shared_ptr<Timers> m_timers;
};
