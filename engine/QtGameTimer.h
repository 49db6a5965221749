#pragma once

// GameTimer on a QTimer (Qt::PreciseTimer). The checks of GameTimer run before the QTimer is
// touched, since a QTimer restarts on every start() and setInterval().

#include "GameTimer.h"

#include <QTimer>

class QtGameTimer : public GameTimer {
public:
    QtGameTimer();
    // The QTimer underneath, for inspection only.
    const QTimer& qtimer() const { return timer_; }

protected:
    void arm(int ms) override;
    void disarm() override;

private:
    QTimer timer_;
};

class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<GameTimer> createtimer() override;
};
