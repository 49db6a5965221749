#include "engine/realtime/QtClockDriver.h"

#include <algorithm>

QtClockDriver::QtClockDriver(EngineClock& clock, QObject* parent)
    : QObject(parent), m_clock(clock) {
    m_elapsed.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { catchUp(); });
    m_clock.onScheduleChanged([this] { rearm(); });
    rearm();
}

QtClockDriver::~QtClockDriver() {
    m_clock.onScheduleChanged(nullptr);
}

void QtClockDriver::catchUp() {
    m_clock.advanceTo(m_elapsed.elapsed());
    rearm();
}

void QtClockDriver::rearm() {
    const std::optional<std::int64_t> due = m_clock.nextDue();
    if (!due) {
        m_timer.stop();
        return;
    }
    const std::int64_t wait = std::max<std::int64_t>(*due - m_elapsed.elapsed(), 0);
    m_timer.start(static_cast<int>(std::min<std::int64_t>(wait, 24LL * 60 * 60 * 1000)));
}
