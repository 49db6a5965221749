#pragma once

// Where a game stands. Pausing is not a phase: the level-up blink runs on under the pause panel
// and a game can end while it is shown, so the game reports the pause on its own.
enum class GamePhase {
    idle,        // no game since the program started
    running,     // a game is on: lines fall and clicks count
    levellingUp, // the blink between a round's 100th flower and the next round
    over,        // the game has ended; its final position and score stand
};
