#pragma once

#include "engine/GameDisplay.h"

#include <QString>

struct MainParts;

// The game window as the game's facts show on it: the numbers beside and under the board, the
// greeting and the status line, composed in the player's language, and the panels and buttons
// that follow a game's start, pause and end. A panel that is shown comes to the front; the
// greeting grows with a long player name up to the board panel's edge rather than cutting it
// off.
class MainDisplay : public GameDisplay {
public:
    // parts: the window's components, built (mainlayout::buildClient); they outlive this.
    explicit MainDisplay(const MainParts& parts);

    // The day of the Daily Bloom the next game start plays ("YYYY-MM-DD"), empty for a normal
    // game; the greeting says so.
    void setDailyDay(const QString& day) { m_dailyDay = day; }

    void gameStarted(const std::string& player) override;
    void phaseChanged(GamePhase phase) override;
    void pausedChanged(bool paused) override;
    void roundChanged(int round) override;
    void untilNextLevelChanged(int flowers) override;
    void scoreChanged(int score) override;
    void clearedChanged(int flowers) override;
    void lastScoreChanged(int points) override;
    void groupScored(int points) override;

private:
    void fitGreeting();

    const MainParts& m_parts;
    QString m_dailyDay;
};
