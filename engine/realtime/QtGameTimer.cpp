#include "engine/realtime/QtGameTimer.h"

#include <algorithm>

QtGameTimer::QtGameTimer() {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_clock.start();
    QObject::connect(&m_timer, &QTimer::timeout, [this] { timeout(); });
}

void QtGameTimer::arm(int ms) {
    m_origin = m_clock.elapsed();
    m_catchUp = false;
    if (asleep()) {
        m_timer.stop(); // the grid starts now; the QTimer waits for wake()
        return;
    }
    m_timer.setSingleShot(false);
    m_timer.start(ms);
}

void QtGameTimer::disarm() {
    m_timer.stop();
}

void QtGameTimer::asleepChanged() {
    if (asleep()) {
        m_timer.stop();
        return;
    }
    if (!running() || interval() <= 0) {
        return;
    }
    // The next tick of the grid that began at m_origin, not earlier than now.
    const qint64 ms = interval();
    const qint64 since = m_clock.elapsed() - m_origin;
    const qint64 next = std::max(ms, (since + ms - 1) / ms * ms);
    m_catchUp = true;
    m_timer.setSingleShot(true);
    m_timer.start(static_cast<int>(next - since));
}

void QtGameTimer::timeout() {
    if (m_catchUp) {
        // On the grid again: tick periodically from here.
        m_catchUp = false;
        m_timer.setSingleShot(false);
        m_timer.start(interval());
    }
    fire();
}

std::unique_ptr<GameTimer> QtTimerFactory::createTimer() {
    return std::make_unique<QtGameTimer>();
}
