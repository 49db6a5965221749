#pragma once

// While armed, SIGTERM, SIGINT and SIGHUP no longer end the process at once: each becomes a
// call on the thread that owns this object, so an update under way can wind down as when the
// window is closed. Disarming (also by destruction) puts back what was there before.

#include <QObject>

#include <functional>

class QSocketNotifier;

class QtTerminationWatch : public QObject {
public:
    explicit QtTerminationWatch(std::function<void(int signal)> onSignal,
                                QObject* parent = nullptr);
    ~QtTerminationWatch() override;

    // False when the signals cannot be caught (they then keep their old effect).
    bool arm();
    void disarm();
    bool armed() const { return m_armed; }

private:
    void readSignals();

    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
    bool m_armed = false;
};
