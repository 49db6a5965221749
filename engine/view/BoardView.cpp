#include "engine/view/BoardView.h"

#include "engine/Game.h"
#include "engine/MouseButton.h"
#include "engine/ShiftState.h"
#include "engine/view/BoardAccessible.h"
#include "widgets/WidgetAccessible.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

MouseButton mouseButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton:
        return MouseButton::right;
    case Qt::MiddleButton:
        return MouseButton::middle;
    default:
        return MouseButton::left;
    }
}

ShiftState shiftState(Qt::KeyboardModifiers modifiers) {
    ShiftState state = 0;
    if (modifiers & Qt::ShiftModifier) {
        state |= shiftKey;
    }
    if (modifiers & Qt::AltModifier) {
        state |= altKey;
    }
    if (modifiers & Qt::ControlModifier) {
        state |= ctrlKey;
    }
    return state;
}

// Changes on the board are told to screen readers at most this often: a falling line or a
// removal changes cells every few milliseconds, and a cell a line passes through in that time
// reads the same before and after.
constexpr int readersDelayMs = 250;

constexpr int cellIndex(int c, int r) {
    return (r - 1) * rules::fieldSize + c - 1;
}

// The square of cell (c, r) on the board, in logical pixels.
QRect square(int c, int r) {
    return {(c - 1) * rules::tilePixels, (r - 1) * rules::tilePixels, rules::tilePixels,
            rules::tilePixels};
}

} // namespace

BoardView::BoardView(QWidget* parent) : QWidget(parent), m_tiles(new TileList(this)) {
    setObjectName(QStringLiteral("board"));
    setFixedSize(rules::boardPixels, rules::boardPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The keyboard plays here; the window takes the keys the board leaves.
    setFocusPolicy(Qt::StrongFocus);
    m_toldReaders.fill(BoardAccessible::unknownContent);
    ensureBacking();
    BoardAccessible::install();
}

void BoardView::setGame(Game* game) {
    m_game = game;
    update();
}

bool BoardView::ensureBacking() {
    const qreal ratio = devicePixelRatioF();
    if (!m_backing.isNull() && m_backing.devicePixelRatio() == ratio) {
        return false;
    }
    const int pixels = static_cast<int>(std::ceil(width() * ratio));
    m_backing = QPixmap(pixels, pixels);
    m_backing.setDevicePixelRatio(ratio);
    m_backing.fill(Qt::black);
    for (auto& column : m_shown) {
        column.fill(-1);
    }
    return true;
}

void BoardView::paintTile(int c, int r, int t) {
    const qreal ratio = m_backing.devicePixelRatio();
    QPainter painter(&m_backing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Only a ratio that is not a whole multiple of the art needs smoothing.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, ratio != 1.0 && ratio != 2.0);
    painter.drawImage(QRectF(square(c, r)), m_tiles->tile(t, ratio));
    m_shown[c - 1][r - 1] = t;
}

void BoardView::drawtile(int c, int r, int t) {
    if (!Board::inField(c, r)) {
        return;
    }
    if (m_repainting) {
        paintTile(c, r, t);
        return;
    }
    if (ensureBacking()) {
        update(); // the screen changed: everything is redrawn from the grid
    }
    if (m_shown[c - 1][r - 1] == t) {
        return; // already on the surface
    }
    paintTile(c, r, t);
    updateSquare(c, r);
    noteChangeForReaders(c, r);
}

void BoardView::coverChanged() {
    for (int c = 1; c <= rules::fieldSize; ++c) {
        for (int r = 1; r <= rules::fieldSize; ++r) {
            noteChangeForReaders(c, r);
        }
    }
}

void BoardView::noteChangeForReaders(int c, int r) {
    const int index = cellIndex(c, r);
    if (!accessibility::listening()) {
        // Whoever listens later reads the cell anew; what it was told before no longer counts.
        m_toldReaders[std::size_t(index)] = BoardAccessible::unknownContent;
        return;
    }
    m_changedForReaders.set(std::size_t(index));
    if (m_readersTimer == nullptr) {
        m_readersTimer = new QTimer(this);
        m_readersTimer->setSingleShot(true);
        m_readersTimer->setInterval(readersDelayMs);
        connect(m_readersTimer, &QTimer::timeout, this, &BoardView::tellReaders);
    }
    if (!m_readersTimer->isActive()) {
        m_readersTimer->start();
    }
}

void BoardView::tellReaders() {
    QList<QPoint> changed;
    for (int c = 1; c <= rules::fieldSize; ++c) {
        for (int r = 1; r <= rules::fieldSize; ++r) {
            const auto index = std::size_t(cellIndex(c, r));
            if (!m_changedForReaders.test(index)) {
                continue;
            }
            const int now = BoardAccessible::contentCode(this, c, r);
            if (now != m_toldReaders[index]) {
                changed.append(QPoint(c, r));
            }
            m_toldReaders[index] = now;
        }
    }
    m_changedForReaders.reset();
    BoardAccessible::cellsChanged(this, changed);
}

void BoardView::updateSquare(int c, int r) {
    if (isVisible()) { // Qt drops updates of hidden widgets
        m_requested += square(c, r);
        update(square(c, r));
    }
}

void BoardView::moveCursor(int dc, int dr) {
    if (m_cursorShown) {
        updateSquare(m_cursorColumn, m_cursorRow);
        m_cursorColumn = std::clamp(m_cursorColumn + dc, 1, rules::fieldSize);
        m_cursorRow = std::clamp(m_cursorRow + dr, 1, rules::fieldSize);
    }
    m_cursorShown = true;
    updateSquare(m_cursorColumn, m_cursorRow);
    BoardAccessible::cursorMoved(this);
}

void BoardView::pressCursor() {
    if (m_cursorShown) {
        pressCell(m_cursorColumn, m_cursorRow);
    }
}

void BoardView::pressCell(int c, int r) {
    // A panel over the cell would take a mouse click there: it takes this one too.
    if (m_game == nullptr || m_readOnly || !Board::inField(c, r) || !reaches(c, r)) {
        return;
    }
    const QPoint centre = square(c, r).center();
    m_game->boardMouseUp(MouseButton::left, 0, centre.x(), centre.y());
}

bool BoardView::reaches(int c, int r) const {
    const QWidget* top = window();
    return top == this || top->childAt(mapTo(top, square(c, r).center())) == this;
}

void BoardView::paintEvent(QPaintEvent* event) {
    // A region this view did not ask for comes from the window system (the board was covered,
    // shown or moved to another screen): redraw every cell from the grid first.
    const bool fromsystem = !event->region().subtracted(m_requested).isEmpty();
    m_requested = QRegion();
    if (ensureBacking() || fromsystem) {
        m_repainting = true;
        if (m_game != nullptr) {
            m_game->boardPaint();
        } else {
            for (int c = 1; c <= rules::fieldSize; ++c) {
                for (int r = 1; r <= rules::fieldSize; ++r) {
                    paintTile(c, r, 0);
                }
            }
        }
        m_repainting = false;
    }
    QPainter painter(this); // clipped to the event's region
    painter.drawPixmap(0, 0, m_backing);
    if (m_cursorShown) {
        // A plain white square frame along the cell's edge: no flower is white or square.
        constexpr qreal frame = 2.0;
        painter.setPen(QPen(Qt::white, frame, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(square(m_cursorColumn, m_cursorRow))
                             .adjusted(frame / 2, frame / 2, -frame / 2, -frame / 2));
    }
}

void BoardView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    // Back on the board, a screen reader hears the cell the player left the cursor on.
    BoardAccessible::cursorMoved(this);
}

void BoardView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_cursorShown) { // the player went back to the mouse
        m_cursorShown = false;
        updateSquare(m_cursorColumn, m_cursorRow);
    }
    if (m_game != nullptr && !m_readOnly) {
        const QPointF at = event->position();
        m_game->boardMouseUp(mouseButton(event->button()), shiftState(event->modifiers()),
                             static_cast<int>(std::floor(at.x())),
                             static_cast<int>(std::floor(at.y())));
    }
    event->accept();
}
