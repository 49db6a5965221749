#include "widgets/ButtonComps.h"

#include "widgets/HouseStyle.h"
#include "widgets/TSelButtonAccessible.h"
#include "widgets/WidgetAccessible.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace {

// A one-pixel outline just inside `r`, right and bottom edges included in `r`.
void frameRect(QPainter& painter, const QRect& r, const QColor& color) {
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}

Qt::Alignment horizontalPart(Qt::Alignment alignment) {
    return alignment & Qt::AlignHorizontal_Mask;
}

} // namespace

TSelButton::TSelButton(QWidget* parent) : QWidget(parent) {
    installTSelButtonAccessibility();
    setFont(house::arial(11)); // 8 point on a 96 dpi screen
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true); // OnMouseMove is raised without a button held, too
    resize(105, 20);
    connect(this, &QObject::objectNameChanged, this, [this](const QString& name) {
        if (!m_captionSet) {
            m_caption = name;
            drawLook(Look::Normal);
        }
    });
}

void TSelButton::setCaption(const QString& caption) {
    m_captionSet = true;
    m_caption = caption;
    drawLook(Look::Normal);
    accessibility::captionChanged(this);
}

void TSelButton::setColor(const QColor& color) {
    m_color = color;
    drawLook(Look::Normal);
}

void TSelButton::setColorBorder(const QColor& color) {
    m_colorBorder = color;
    drawLook(Look::Normal);
}

void TSelButton::setAlignment(Qt::Alignment alignment) {
    m_alignment = horizontalPart(alignment);
    drawLook(Look::Normal);
}

void TSelButton::setBorderWidth(int width) {
    m_borderWidth = width;
    drawLook(Look::Normal);
}

void TSelButton::setEnabledFlag(bool enabled) {
    const bool changed = enabled != m_enabledFlag;
    m_enabledFlag = enabled;
    setFocusPolicy(enabled ? Qt::TabFocus : Qt::NoFocus);
    if (!enabled && hasFocus()) {
        // The keys go on to the next control Tab would reach.
        QWidget* next = nextInFocusChain();
        while (next != this && !((next->focusPolicy() & Qt::TabFocus) != 0 && next->isVisible() &&
                                 next->isEnabled() && next->window() == window())) {
            next = next->nextInFocusChain();
        }
        if (next != this) {
            next->setFocus(Qt::TabFocusReason);
        } else {
            clearFocus();
        }
    }
    if (changed) {
        accessibility::availabilityChanged(this);
    }
}

void TSelButton::setShowHint(bool show) {
    m_showHint = show;
    m_parentShowHint = false;
}

void TSelButton::setFontColor(const QColor& color) {
    m_fontColor = color;
    drawLook(Look::Normal);
}

void TSelButton::drawLook(Look look) {
    switch (look) {
    case Look::Normal:
        m_canvasTextColor = m_fontColor;
        break;
    case Look::Hover:
        m_canvasTextColor = m_colorOverCaption;
        break;
    case Look::Pressed:
        // The pressed look takes whatever caption colour was used last.
        m_pressedTextColor = m_canvasTextColor;
        break;
    }
    m_pendingLook = look;
    update();
}

void TSelButton::setPointerInside(bool inside) {
    if (inside == m_pointerInside) {
        return;
    }
    m_pointerInside = inside;
    if (inside) {
        mouseEntered();
    } else {
        mouseLeft();
    }
}

void TSelButton::mouseEntered() {
    emit OnMouseEnter(this);
    if (m_enabledFlag) {
        drawLook(Look::Hover);
    }
}

void TSelButton::mouseLeft() {
    emit OnMouseLeave(this);
    drawLook(Look::Normal);
}

void TSelButton::click() {
    drawLook(Look::Normal);
    if (m_enabledFlag) {
        emit OnClick(this);
    }
}

bool TSelButton::isUnderPointer(const QPoint& localPos) const {
    if (!isVisible() || !rect().contains(localPos)) {
        return false;
    }
    const QWidget* top = window();
    if (top == this) {
        return true;
    }
    // Another widget lying over the button at that point takes the pointer.
    return top->childAt(mapTo(top, localPos)) == this;
}

bool TSelButton::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip:
        if (!m_showHint) {
            event->ignore();
            return true;
        }
        break;
    case QEvent::ParentChange:
        if (!m_captionSet && m_caption != objectName()) {
            m_caption = objectName();
            drawLook(Look::Normal);
        }
        break;
    case QEvent::FontChange:
        drawLook(Look::Normal);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TSelButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int w = width();
    const int h = height();
    const int tw = metrics.horizontalAdvance(m_caption);
    const int th = metrics.height();

    m_look = m_pendingLook.value_or(Look::Normal);
    m_pendingLook.reset();
    if (m_look == Look::Normal) {
        m_canvasTextColor = m_fontColor; // painting takes the caption colour from Font
    }
    QColor fill = m_color;
    QColor text = m_fontColor;
    if (m_look == Look::Hover) {
        fill = m_colorOver;
        text = m_colorOverCaption;
    } else if (m_look == Look::Pressed) {
        fill = m_colorDown;
        text = m_pressedTextColor;
    }

    int x = 5;
    if (m_alignment & Qt::AlignHCenter) {
        x = w / 2 - tw / 2;
    } else if (m_alignment & Qt::AlignRight) {
        x = w - tw - 6;
    }
    int y = h / 2 - th / 2;
    if (m_look == Look::Pressed) {
        // A right-aligned caption moves one pixel left when pressed, the others one right.
        x += (m_alignment & Qt::AlignRight) ? -1 : 1;
        y += 1;
    }

    painter.fillRect(QRect(1, 1, w - 2, h - 2), fill);
    // The caption is drawn on an opaque background of the fill colour.
    painter.fillRect(QRect(x, y, tw, th), fill);
    painter.setPen(text);
    painter.drawText(x, y + metrics.ascent(), m_caption);
    for (int i = 0; i < m_borderWidth; ++i) {
        frameRect(painter, QRect(i, i, w - 2 * i, h - 2 * i), m_colorBorder);
    }
    if (hasFocus()) {
        // The keyboard's mark: a dotted line in the border's colour, two pixels inside it.
        const int inset = m_borderWidth + 2;
        QPen dotted(m_colorBorder, 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(inset, inset, w - 2 * inset - 1, h - 2 * inset - 1));
    }
}

void TSelButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Taken even when held down or switched off: the window must not take it as a board key.
    event->accept();
    if (!event->isAutoRepeat()) {
        click();
    }
}

void TSelButton::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_pendingLook = currentLook();
    update();
}

void TSelButton::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_pendingLook = currentLook();
    update();
}

void TSelButton::enterEvent(QEnterEvent*) {
    setPointerInside(true);
}

void TSelButton::leaveEvent(QEvent*) {
    // While the left button is held the moves decide; the leave that Qt delivers on release
    // then finds the state already settled.
    setPointerInside(false);
}

void TSelButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_leftHeld = true;
    if (!m_enabledFlag) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    QPointer<TSelButton> self(this);
    emit OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
    if (self) {
        drawLook(Look::Pressed);
    }
}

void TSelButton::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    QPointer<TSelButton> self(this);
    emit OnMouseMove(this, event->modifiers(), pos.x(), pos.y());
    // Qt sends no enter or leave to a button holding the mouse, so dragging across its edge is
    // followed here.
    if (self && m_leftHeld) {
        setPointerInside(rect().contains(pos));
    }
}

void TSelButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    const bool wasHeld = m_leftHeld;
    m_leftHeld = false;
    QPointer<TSelButton> self(this);
    // The click comes first: normal look and OnClick, then the release's own handling.
    if (wasHeld && rect().contains(pos)) {
        click();
    }
    if (!self || !m_enabledFlag) {
        return;
    }
    emit OnMouseUp(this, event->button(), event->modifiers(), pos.x(), pos.y());
    if (self && isUnderPointer(pos)) {
        drawLook(Look::Hover);
    }
}
