#pragma once

// The board surface: 10 x 10 cells of 32 x 32 pixels.
class BoardSurface {
public:
    virtual ~BoardSurface() = default;
    // Draws tile t (0 black, 1 to 6 a flower; 7 and 8 black) at cell (c, r), c and r from 1
    // to 10, at once.
    virtual void drawtile(int c, int r, int t) = 0;
};

// A board that shows nothing, for a game played only for its state (a replay that checks a
// score, a test).
class NoBoard : public BoardSurface {
public:
    void drawtile(int, int, int) override {}
};
