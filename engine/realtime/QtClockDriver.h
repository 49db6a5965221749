#pragma once

// Drives the game's EngineClock by real time: the clock reads the milliseconds since the driver
// was made. One precise single-shot QTimer is armed for the next tick that runs a handler and
// none while nothing is due, so an idle game never wakes the process. Whatever starts or wakes
// a timer from outside a tick (the player's inputs, SEND SCORE) first brings the clock to the
// present with catchUp(); otherwise the countdown would begin at the clock's last tick.

#include "engine/EngineClock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QtClockDriver : public QObject {
public:
    // The clock must outlive the driver and should be as new as it (both start at 0).
    explicit QtClockDriver(EngineClock& clock, QObject* parent = nullptr);
    ~QtClockDriver() override;

    // Advances the clock to the real time passed, firing every tick due by now.
    void catchUp();
    // The one QTimer, for inspection only.
    const QTimer& qtimer() const { return m_timer; }

private:
    void rearm();

    EngineClock& m_clock;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
};
