#pragma once

#include <string>

// What the game tells the tally list: games started, boards cleared, and at game over
// the final score and the last round played.
class TallyCalls {
public:
    virtual ~TallyCalls() = default;
    // which: 1 = "Total Games:", 3 = "Board Cleared:" (2 is the highest level, see checkchange)
    virtual void addtomineincrease(int which) = 0;
    virtual void checkscore(int score, const std::string& name) = 0;
    virtual void checkchange(int which, int value) = 0;
};
