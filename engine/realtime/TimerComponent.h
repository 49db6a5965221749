#pragma once

// A game timer as an object of its window, named as on the window ("timerdrop", "Timer1", ...),
// so a window's timers are found by name like its other components.

#include "engine/GameTimer.h"

#include <QObject>

class TimerComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Interval READ Interval)
    Q_PROPERTY(bool Enabled READ Enabled)

public:
    TimerComponent(const char* name, GameTimer& timer, QObject* parent)
        : QObject(parent), m_timer(timer) {
        setObjectName(QString::fromLatin1(name));
    }

    int Interval() const { return m_timer.interval(); }
    bool Enabled() const { return m_timer.running(); }
    GameTimer& timer() const { return m_timer; }

private:
    GameTimer& m_timer;
};
