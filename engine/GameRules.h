#pragma once

// The numbers that define the game, written once and read by name by the engine, the board
// view and the game window.

namespace rules {

// The field: 10 x 10 cells of 32 x 32 pixels, with an entry row above it and an empty border
// column on each side in the grid that carries it.
inline constexpr int fieldSize = 10;
inline constexpr int tilePixels = 32;
inline constexpr int boardPixels = fieldSize * tilePixels;
inline constexpr int tileCount = 9; // tile 0 black, 1 to 6 the flowers, 7 and 8 black
inline constexpr int startRows = 2; // rows filled at game start, from the bottom

// Colours: 3 at the start of a game, one more at rounds 3, 6 and 9, at most 6.
inline constexpr int firstColours = 3;
inline constexpr int maxColours = 6;
constexpr bool addsColour(int round) {
    return round == 3 || round == 6 || round == 9;
}

// Rounds and levels.
inline constexpr int flowersPerLevel = 100;
inline constexpr int finalRound = 30; // reaching it ends the game
inline constexpr int lastPlayedRound = finalRound - 1;
inline constexpr int fieldClearedBonus = 100; // times the round

// Timers, in milliseconds.
inline constexpr int stepMs = 10; // a falling line's row, a removed flower
inline constexpr int blinkMs = 200;
inline constexpr int blinkTicks = 10;
inline constexpr int firstDropMs = 4000; // set at game start and when a colour is added
inline constexpr int dropStepMs = 1000;
inline constexpr int fastestDropMs = 500;

// The drop interval of the round after one whose interval was `current`: a second shorter,
// and 500 ms once that would be under a second.
constexpr int nextDropMs(int current) {
    const int next = current - dropStepMs;
    return next < dropStepMs ? fastestDropMs : next;
}

// The factor of a group of n flowers: 0 for 0, then 1 (1-3) up to 10 (45 and more).
constexpr int pointsFactor(int n) {
    // The smallest group size of each factor from 1 on.
    constexpr int from[] = {1, 4, 7, 11, 15, 20, 25, 31, 37, 45};
    int factor = 0;
    for (int first : from) {
        if (n >= first) {
            ++factor;
        }
    }
    return factor;
}

} // namespace rules
