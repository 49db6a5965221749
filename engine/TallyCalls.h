#pragma once

#include <string>

// What the game tells the tally list: games started, boards cleared, and at game over
// the final score and the last round played.
class TallyCalls {
public:
    // The tally columns the game writes to.
    static constexpr int totalGames = 1;   // "Total Games:"
    static constexpr int highestLevel = 2; // the highest level, through checkchange
    static constexpr int boardCleared = 3; // "Board Cleared:"

    virtual ~TallyCalls() = default;
    // which: totalGames or boardCleared.
    virtual void addtomineincrease(int which) = 0;
    virtual void checkscore(int score, const std::string& name) = 0;
    virtual void checkchange(int which, int value) = 0;
};
