#include "BoardView.h"

#include "Game.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

BoardView::BoardView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("board"));
    setFixedSize(10 * TileList::size, 10 * TileList::size);
    setAttribute(Qt::WA_OpaquePaintEvent);
    ensurebacking();
}

void BoardView::setgame(Game* game) {
    game_ = game;
    update();
}

bool BoardView::ensurebacking() {
    const qreal ratio = devicePixelRatioF();
    if (!backing_.isNull() && backing_.devicePixelRatio() == ratio) {
        return false;
    }
    const int pixels = static_cast<int>(std::ceil(width() * ratio));
    backing_ = QPixmap(pixels, pixels);
    backing_.setDevicePixelRatio(ratio);
    backing_.fill(Qt::black);
    for (auto& column : shown_) {
        column.fill(-1);
    }
    return true;
}

void BoardView::painttile(int c, int r, int t) {
    const qreal ratio = backing_.devicePixelRatio();
    const QRectF square((c - 1) * TileList::size, (r - 1) * TileList::size, TileList::size,
                        TileList::size);
    QPainter painter(&backing_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Only a ratio that is not a whole multiple of the art needs smoothing.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, ratio != 1.0 && ratio != 2.0);
    painter.drawImage(square, tiles_.tile(t, ratio));
    shown_[c - 1][r - 1] = t;
}

void BoardView::drawtile(int c, int r, int t) {
    if (c < 1 || c > 10 || r < 1 || r > 10) {
        return;
    }
    if (repainting_) {
        painttile(c, r, t);
        return;
    }
    if (ensurebacking()) {
        update(); // the screen changed: everything is redrawn from the grid
    }
    if (shown_[c - 1][r - 1] == t) {
        return; // already on the surface
    }
    painttile(c, r, t);
    if (isVisible()) { // Qt drops updates of hidden widgets
        const QRect square((c - 1) * TileList::size, (r - 1) * TileList::size, TileList::size,
                           TileList::size);
        requested_ += square;
        update(square);
    }
}

void BoardView::paintEvent(QPaintEvent* event) {
    // A region this view did not ask for comes from the window system (the board was covered,
    // shown or moved to another screen): redraw every cell from the grid first.
    const bool fromsystem = !event->region().subtracted(requested_).isEmpty();
    requested_ = QRegion();
    if (ensurebacking() || fromsystem) {
        repainting_ = true;
        if (game_ != nullptr) {
            game_->boardPaint();
        } else {
            for (int c = 1; c <= 10; ++c) {
                for (int r = 1; r <= 10; ++r) {
                    painttile(c, r, 0);
                }
            }
        }
        repainting_ = false;
    }
    QPainter painter(this); // clipped to the event's region
    painter.drawPixmap(0, 0, backing_);
}

void BoardView::mouseReleaseEvent(QMouseEvent* event) {
    if (game_ != nullptr) {
        const QPointF at = event->position();
        game_->boardMouseUp(static_cast<int>(std::floor(at.x())),
                            static_cast<int>(std::floor(at.y())));
    }
    event->accept();
}
