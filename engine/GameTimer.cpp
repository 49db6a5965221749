#include "engine/GameTimer.h"

void GameTimer::setInterval(int ms) {
    if (ms == m_interval) {
        return;
    }
    m_interval = ms;
    if (!m_running) {
        return;
    }
    if (ms > 0) {
        arm(ms);
    } else {
        disarm();
    }
}

void GameTimer::start() {
    if (m_running) {
        return;
    }
    m_running = true;
    if (m_interval > 0) {
        arm(m_interval);
    }
}

void GameTimer::stop() {
    if (!m_running) {
        return;
    }
    m_running = false;
    disarm();
}

void GameTimer::sleep() {
    if (!m_asleep) {
        m_asleep = true;
        asleepChanged();
    }
}

void GameTimer::wake() {
    if (m_asleep) {
        m_asleep = false;
        asleepChanged();
    }
}

void GameTimer::fire() {
    if (m_running && m_tick) {
        m_tick();
    }
}
