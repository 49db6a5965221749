#pragma once

// A periodic tick source with the game's timer semantics, shared by every binding:
//  - setting the interval the timer already has changes nothing;
//  - setting a new interval on a running timer restarts its countdown with that interval;
//  - starting a running timer, or stopping a stopped one, changes nothing;
//  - an interval of 0 or less never ticks (the timer may still count as running).
// A binding (a Qt timer, the virtual clock of the tests) only supplies the countdown: arm()
// begins one afresh, disarm() ends it, and fire() is called each time it runs out.

#include <functional>
#include <memory>

class GameTimer {
public:
    using Tick = std::function<void()>;

    GameTimer() = default;
    GameTimer(const GameTimer&) = delete;
    GameTimer& operator=(const GameTimer&) = delete;
    virtual ~GameTimer() = default;

    int interval() const { return interval_; }
    bool running() const { return running_; }
    void setinterval(int ms);
    void start();
    void stop();
    // The handler called on every tick.
    void ontick(Tick handler) { tick_ = std::move(handler); }

protected:
    // Begin a countdown of ms milliseconds (ms > 0) that repeats, replacing any running one.
    virtual void arm(int ms) = 0;
    // End the countdown.
    virtual void disarm() = 0;
    // The countdown has run out: runs the tick handler while the timer is running.
    void fire();

private:
    int interval_ = 1000;
    bool running_ = false;
    Tick tick_;
};

// Makes the timers of a game: Qt timers in the program, virtual ones in tests.
class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<GameTimer> createtimer() = 0;
};
