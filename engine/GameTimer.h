#pragma once

// A periodic tick source with the game's timer semantics, shared by every binding:
//  - setting the interval the timer already has changes nothing;
//  - setting a new interval on a running timer restarts its countdown with that interval;
//  - starting a running timer, or stopping a stopped one, changes nothing;
//  - an interval of 0 or less never ticks (the timer may still count as running).
// A binding (the game's EngineClock, a Qt timer) only supplies the countdown: arm()
// begins one afresh, disarm() ends it, and fire() is called each time it runs out.
//
// The owner may say that the ticks have nothing to do for now (sleep) and that they have
// again (wake). This changes no tick: a binding may use it to stop waking the process while
// asleep, and must then deliver the next tick after wake() on the same grid of intervals the
// countdown had. Bindings that ignore it simply keep ticking.

#include <functional>
#include <memory>

class GameTimer {
public:
    using Tick = std::function<void()>;

    GameTimer() = default;
    GameTimer(const GameTimer&) = delete;
    GameTimer& operator=(const GameTimer&) = delete;
    virtual ~GameTimer() = default;

    int interval() const { return m_interval; }
    bool running() const { return m_running; }
    void setInterval(int ms);
    void start();
    void stop();
    // The handler called on every tick.
    void onTick(Tick handler) { m_tick = std::move(handler); }

    // Hints that ticks have nothing to do until wake(); see the class comment.
    void sleep();
    void wake();
    bool asleep() const { return m_asleep; }

protected:
    // Begin a countdown of ms milliseconds (ms > 0) that repeats, replacing any running one.
    virtual void arm(int ms) = 0;
    // End the countdown.
    virtual void disarm() = 0;
    // The sleep hint changed; the default binding keeps ticking.
    virtual void asleepChanged() {}
    // The countdown has run out: runs the tick handler while the timer is running.
    void fire();

private:
    int m_interval = 1000;
    bool m_running = false;
    bool m_asleep = false;
    Tick m_tick;
};

// Makes the timers of a game: the EngineClock's in the program, the tests and the replays.
class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<GameTimer> createTimer() = 0;
};
