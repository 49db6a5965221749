#include "widgets/ClickLabel.h"

#include "widgets/ClickLabelAccessible.h"
#include "widgets/HouseStyle.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ClickLabel::ClickLabel(QWidget* parent) : PictureLabel(parent) {
    installClickLabelAccessibility();
    setCursor(Qt::PointingHandCursor);
    // Only Tab: a click with the mouse leaves the keyboard where it was.
    setFocusPolicy(Qt::TabFocus);
    setTextFormat(Qt::PlainText);
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click) {
        emit clicked();
    }
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool plain =
        event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (!plain || (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter)) {
        PictureLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat()) {
        emit clicked();
    }
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    PictureLabel::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    // The keyboard's mark: a dotted line along the edge, in the text's colour, or in light grey
    // around a picture (which lies on the black windows).
    QPainter painter(this);
    const QColor colour = text().isEmpty() ? house::lightGrey : palette().color(foregroundRole());
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
