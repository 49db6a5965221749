#pragma once

// One of the engine's timers as an object of the game window, named as on the window
// ("timerdrop", ...), so the window's timers are found like its other components.

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
