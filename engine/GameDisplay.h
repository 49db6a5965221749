#pragma once

#include "engine/GamePhase.h"

#include <string>

// What a game tells its window, as plain values, in the order its steps make them; the window
// chooses the words and the widgets that show them.
class GameDisplay {
public:
    virtual ~GameDisplay() = default;
    // START GAME: a game started for this player (the name handed to START, maybe empty). The
    // panels over the board go.
    virtual void gameStarted(const std::string& player) = 0;
    // Told only when the phase changes; the window starts idle.
    virtual void phaseChanged(GamePhase phase) = 0;
    // The pause panel comes (true) or goes (false); false also at every START and RESUME.
    virtual void pausedChanged(bool paused) = 0;
    // The counters beside and under the board, each as it changes: the round (0 at a start),
    // the flowers still to clear in the round (never below 0), the score, and the size and the
    // points of the group removed last.
    virtual void roundChanged(int round) = 0;
    virtual void untilNextLevelChanged(int flowers) = 0;
    virtual void scoreChanged(int score) = 0;
    virtual void clearedChanged(int flowers) = 0;
    virtual void lastScoreChanged(int points) = 0;
    // A group was removed and scored these points (the status line's news).
    virtual void groupScored(int points) = 0;
};

// A window that shows nothing, for a game played only for its state (a replay that checks a
// score, a test).
class NoDisplay : public GameDisplay {
public:
    void gameStarted(const std::string&) override {}
    void phaseChanged(GamePhase) override {}
    void pausedChanged(bool) override {}
    void roundChanged(int) override {}
    void untilNextLevelChanged(int) override {}
    void scoreChanged(int) override {}
    void clearedChanged(int) override {}
    void lastScoreChanged(int) override {}
    void groupScored(int) override {}
};
