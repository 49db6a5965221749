#pragma once

#include "engine/Board.h"

#include <cstdint>

// The engine's state record: the board, the counters and flags of a game, and the two queues
// through which a click becomes a removal. Touched on the user-interface thread only.
struct GameState {
    Board cells; // cells[c][r]; see Board

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
