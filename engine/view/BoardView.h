#pragma once

// The board surface "board": a fixed 320 x 320 widget showing 10 x 10 tiles of
// images_flowers. Tiles are painted into a backing pixmap at the screen's device pixel ratio
// the moment the game draws them; a repaint that the window system asks for redraws every cell
// from the grid through the game's boardPaint. A mouse release of any button goes to the
// game's boardMouseUp. A keyboard cursor, off until the first move, marks one cell with a white
// square frame that no flower tile has; pressing it counts as a click on that cell. Screen
// readers see the board as a table of its cells (BoardAccessible) whose focus is the cursor; what
// a cell shows there changes with its flower and with the panels laid over it, and the readers
// are told of each such change a moment later, gathered, and only while one listens.

#include "engine/BoardSurface.h"
#include "engine/GameRules.h"
#include "engine/view/TileList.h"

#include <QPixmap>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <array>
#include <bitset>

class Game;
class QTimer;

class BoardView : public QWidget, public BoardSurface {
    Q_OBJECT

public:
    explicit BoardView(QWidget* parent = nullptr);

    // The game this board shows and sends clicks to; nullptr shows a black board.
    void setGame(Game* game);
    Game* game() const { return m_game; }
    // Read-only: the board shows its game but takes no clicks, by mouse or keyboard.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool readOnly() const { return m_readOnly; }

    void drawtile(int c, int r, int t) override;

    const TileList& images_flowers() const { return *m_tiles; }
    // The backing pixmap: what the game has drawn so far.
    const QPixmap& surface() const { return m_backing; }
    // The tile last drawn at cell (c, r) of that pixmap, -1 while none is.
    int shownTile(int c, int r) const { return m_shown.at(c - 1).at(r - 1); }

    // Keyboard play. The first move only shows the cursor (at the bottom left cell at first);
    // later ones move it by dc columns and dr rows, staying on the field.
    void moveCursor(int dc, int dr);
    // A click on the cursor's cell, through boardMouseUp, when the cursor is shown and a mouse
    // click there would reach the board (no panel lies over the cell).
    void pressCursor();
    // A click on cell (c, r) as pressCursor makes it, wherever the cursor is.
    void pressCell(int c, int r);
    // Whether a mouse click in the middle of cell (c, r) would reach the board.
    bool reaches(int c, int r) const;
    bool cursorShown() const { return m_cursorShown; }
    // A panel over the board came or went: the cells it covers read "covered", or their flowers
    // again.
    void coverChanged();
    int cursorColumn() const { return m_cursorColumn; }
    int cursorRow() const { return m_cursorRow; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool ensureBacking(); // true when the pixmap was made anew (blank)
    void paintTile(int c, int r, int t);
    void updateSquare(int c, int r);
    // Gathers cells that may read differently for screen readers, told a moment later all at
    // once; a cell is told of only when it reads otherwise than when it was last told.
    void noteChangeForReaders(int c, int r);
    void tellReaders();

    TileList* m_tiles; // a child of the view
    Game* m_game = nullptr;
    bool m_readOnly = false;
    QPixmap m_backing;
    std::array<std::array<int, rules::fieldSize>, rules::fieldSize>
        m_shown{};             // tile in each square of m_backing, -1 unknown
    QRegion m_requested;       // squares this view asked to be repainted
    bool m_repainting = false; // inside a repaint from the grid
    bool m_cursorShown = false;
    int m_cursorColumn = 1;
    int m_cursorRow = rules::fieldSize;
    QTimer* m_readersTimer = nullptr; // made when a screen reader first listens
    // Cells (by row and column from 0) that may have changed since readers were last told, and
    // what each read then (BoardAccessible::contentCode); unknownContent after a change no
    // reader heard.
    std::bitset<rules::fieldSize * rules::fieldSize> m_changedForReaders;
    std::array<int, rules::fieldSize * rules::fieldSize> m_toldReaders{};
};
