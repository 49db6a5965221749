#include "app/FirstExposure.h"

#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace {

// Watches one window for its first exposure; goes with the window.
class ExposureWatch : public QObject {
public:
    ExposureWatch(QWindow* window, std::function<void()> then)
        : QObject(window), m_then(std::move(then)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && watched == parent()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, parent(), std::move(m_then));
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_then;
};

} // namespace

void afterFirstExposure(QWindow* window, std::function<void()> then) {
    if (window->isExposed()) {
        QTimer::singleShot(0, window, std::move(then));
    } else {
        new ExposureWatch(window, std::move(then));
    }
}
