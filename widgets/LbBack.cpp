#include "widgets/LbBack.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

TLbBackground::TLbBackground(QWidget* owner) : QObject(owner), m_owner(owner) {
    // Paint events reach the filter before the window's own paintEvent, after Qt has filled the
    // window's background: exactly the place for the tiles.
    if (m_owner) {
        m_owner->installEventFilter(this);
    }
}

TLbBackground::~TLbBackground() {
    if (!m_owner) {
        return;
    }
    m_owner->removeEventFilter(this);
    // The window may itself be on its way out (this component is its child), so the repaint is
    // queued: it is dropped if the window is gone by then.
    QWidget* owner = m_owner;
    QTimer::singleShot(0, owner, [owner] { owner->update(); });
}

void TLbBackground::setEnabled(bool enabled) {
    m_enabled = enabled;
    repaintOwner();
}

void TLbBackground::setImage(const QImage& image) {
    m_image = image.isNull() ? QImage() : image.copy();
    repaintOwner();
}

void TLbBackground::repaintOwner() {
    if (m_owner) {
        m_owner->update();
    }
}

QList<QRect> TLbBackground::tileRects(QSize tile, QSize outerSize) {
    QList<QRect> rects;
    const int w = tile.width();
    const int h = tile.height();
    if (w <= 0 || h <= 0) {
        return rects;
    }
    // One column and one row more than fit whole, so the ragged edge is covered too.
    for (int c = 0; c <= outerSize.width() / w + 1; ++c) {
        for (int r = 0; r <= outerSize.height() / h + 1; ++r) {
            rects.append(QRect(c * w, r * h, w, h));
        }
    }
    return rects;
}

void TLbBackground::paintTiles() {
    if (!m_enabled || m_image.isNull() || !m_owner) {
        return;
    }
    QPainter painter(m_owner);
    for (const QRect& r : tileRects(m_image.size(), m_owner->frameGeometry().size())) {
        painter.drawImage(r.topLeft(), m_image);
    }
}

bool TLbBackground::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_owner && event->type() == QEvent::Paint) {
        paintTiles();
    }
    // Never swallow the event: the window's own painting runs after the tiles.
    return QObject::eventFilter(watched, event);
}
