#pragma once

// The engine's one state record: the board and the counters and flags of a game.
// Everything here is touched on the user-interface thread only.

#include <array>
#include <cstdint>
#include <deque>
#include <string>

// A first-in-first-out list of cells, each entry the column and the row in decimal joined by
// one comma, without spaces or leading zeros: column 3, row 10 is "3,10".
using CellQueue = std::deque<std::string>;

struct GameState {
    static constexpr int columns = 12; // 0 and 11 are an always empty border
    static constexpr int rows = 11;    // 0 is the entry row a new line falls from

    // cells[c][r]: 0 empty, 1 to 6 a flower of that colour (and the tile drawn for it).
    // The playing field is columns 1 to 10, rows 1 to 10.
    std::array<std::array<std::int32_t, rows>, columns> cells{};

    std::int32_t colorcount = 0;     // colours in play, 3 to 6 during a game
    std::int32_t round = 0;          // current round, 1 to 30 ("Level:")
    std::int32_t score = 0;          // points of the current game; keeps the final score
    std::int32_t groupcount = 0;     // flowers removed so far from the group being removed
    std::int32_t levelcleared = 0;   // flowers removed in the current round
    std::int32_t untilnextlevel = 0; // 100 - levelcleared ("Until Next Level:")
    std::int32_t removecolor = 0;    // colour of the group being removed; 0 when none
    bool gamerunning = false;        // a game is in progress
    bool linesettled = false;        // no line falling and no level-up pending; clicks count
    bool removing = false;           // a click was accepted and its group is not yet removed
    bool blinking = false;           // the level-up blink is running
    bool blinkhidden = false;        // blink phase: the board is drawn blank
    bool paused = false;             // the pause panel covers the board
    std::int32_t dropstep = 0;       // ticks of the falling line so far, 1 to 10
    std::int32_t blinkticks = 0;     // blink ticks still to come

    // The two queues through which a click becomes a removal.
    CellQueue clickcord;  // accepted clicks (at most one entry)
    CellQueue removecord; // cells of the group in progress still to be removed, in order
};
