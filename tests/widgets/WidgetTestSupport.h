#pragma once

// Helpers shared by the widget tests: offscreen renders, ink masks and hand-made mouse events.

#include "widgets/FontSubstitutes.h"
#include "widgets/HouseStyle.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFont>
#include <QImage>
#include <QMouseEvent>
#include <QSet>
#include <QWidget>

namespace widgettest {

// A caption font whose glyphs are drawn without smoothing, so every ink pixel has exactly the
// pen's colour.
inline QFont crispFont(const char* family, int pixelSize, bool bold) {
    QFont font = house::pixelFont(family, pixelSize, bold);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

inline QImage render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor colorAt(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

using PointSet = QSet<QPair<int, int>>;

// All pixels in `area` that have exactly the colour `ink`.
inline PointSet pixelsOf(const QImage& image, const QColor& ink, QRect area = QRect()) {
    if (area.isNull()) {
        area = image.rect();
    }
    PointSet points;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (QColor(image.pixel(x, y)) == ink) {
                points.insert({x, y});
            }
        }
    }
    return points;
}

inline PointSet shifted(const PointSet& points, int dx, int dy) {
    PointSet out;
    for (const auto& p : points) {
        out.insert({p.first + dx, p.second + dy});
    }
    return out;
}

inline QRect bounds(const PointSet& points) {
    QRect r;
    for (const auto& p : points) {
        r |= QRect(p.first, p.second, 1, 1);
    }
    return r;
}

inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

inline void press(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseButtonPress, pos, button, button);
}

inline void moveHeld(QWidget* w, QPoint pos) {
    sendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}

inline void release(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}

inline void enter(QWidget* w, QPoint pos) {
    QEnterEvent event{QPointF(pos), QPointF(pos), QPointF(w->mapToGlobal(pos))};
    QApplication::sendEvent(w, &event);
}

inline void leave(QWidget* w) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(w, &event);
}

} // namespace widgettest
