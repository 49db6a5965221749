#pragma once

// GameTimer on a QTimer (Qt::PreciseTimer). The checks of GameTimer run before the QTimer is
// touched, since a QTimer restarts on every start() and setInterval().
//
// While the timer is asleep (see GameTimer) the QTimer stays stopped, so an idle game does not
// wake the process; wake() arms it for the next tick on the grid the countdown began, so the
// ticks come at the same times as if it had never stopped.

#include "engine/GameTimer.h"

#include <QElapsedTimer>
#include <QTimer>

class QtGameTimer : public GameTimer {
public:
    QtGameTimer();
    // The QTimer underneath, for inspection only.
    const QTimer& qtimer() const { return m_timer; }

protected:
    void arm(int ms) override;
    void disarm() override;
    void asleepChanged() override;

private:
    void timeout();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_origin = 0;    // when the running countdown began, on m_clock
    bool m_catchUp = false; // the QTimer runs once to reach the grid, then periodically
};

class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<GameTimer> createTimer() override;
};
