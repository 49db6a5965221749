#include "GameTimer.h"

void GameTimer::setinterval(int ms) {
    if (ms == interval_) {
        return;
    }
    interval_ = ms;
    if (!running_) {
        return;
    }
    if (ms > 0) {
        arm(ms);
    } else {
        disarm();
    }
}

void GameTimer::start() {
    if (running_) {
        return;
    }
    running_ = true;
    if (interval_ > 0) {
        arm(interval_);
    }
}

void GameTimer::stop() {
    if (!running_) {
        return;
    }
    running_ = false;
    disarm();
}

void GameTimer::fire() {
    if (running_ && tick_) {
        tick_();
    }
}
