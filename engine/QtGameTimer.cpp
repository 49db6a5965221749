#include "QtGameTimer.h"

QtGameTimer::QtGameTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
}

void QtGameTimer::arm(int ms) {
    timer_.start(ms);
}

void QtGameTimer::disarm() {
    timer_.stop();
}

std::unique_ptr<GameTimer> QtTimerFactory::createtimer() {
    return std::make_unique<QtGameTimer>();
}
