#pragma once

// The board surface "board": a fixed 320 x 320 widget showing 10 x 10 tiles of
// images_flowers. Tiles are painted into a backing pixmap at the screen's device pixel ratio
// the moment the game draws them; a repaint that the window system asks for redraws every cell
// from the grid through the game's boardPaint. A mouse release of any button goes to the
// game's boardMouseUp.

#include "GameDisplay.h"
#include "TileList.h"

#include <QPixmap>
#include <QRegion>
#include <QWidget>
#include <array>

class Game;

class BoardView : public QWidget, public BoardSurface {
    Q_OBJECT

public:
    explicit BoardView(QWidget* parent = nullptr);

    // The game this board shows and sends clicks to; nullptr shows a black board.
    void setgame(Game* game);
    Game* game() const { return game_; }

    void drawtile(int c, int r, int t) override;

    const TileList& images_flowers() const { return tiles_; }
    // The backing pixmap: what the game has drawn so far.
    const QPixmap& surface() const { return backing_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool ensurebacking(); // true when the pixmap was made anew (blank)
    void painttile(int c, int r, int t);

    TileList tiles_;
    Game* game_ = nullptr;
    QPixmap backing_;
    std::array<std::array<int, 10>, 10> shown_{}; // tile in each square of backing_, -1 unknown
    QRegion requested_;                           // squares this view asked to be repainted
    bool repainting_ = false;                     // inside a repaint from the grid
};
