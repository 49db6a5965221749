#pragma once

// Stand-ins shared by the tests of the engine, the board view and the sounds: a board and a
// window that take everything and keep nothing, and boards written as text.

#include "engine/BoardSurface.h"
#include "engine/GameDisplay.h"
#include "engine/GameState.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

class NullBoard : public BoardSurface {
public:
    void drawtile(int, int, int) override {}
};

// A game window that shows nothing.
class NullDisplay : public GameDisplay {
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

// A board given by its lowest rows, the last one row 10; empty rows above them. '.' is empty,
// '1' to '6' a colour.
inline std::vector<std::string> bottom(std::initializer_list<std::string> lowest) {
    std::vector<std::string> rows(10 - lowest.size(), "..........");
    rows.insert(rows.end(), lowest);
    return rows;
}

// Puts a board written as ten rows (rows[0] is row 1, the top) into the playing field.
inline void setBoard(GameState& state, const std::vector<std::string>& rows) {
    for (int r = 1; r <= 10; ++r) {
        for (int c = 1; c <= 10; ++c) {
            const char ch = rows.at(r - 1).at(c - 1);
            state.cells[c][r] = ch == '.' ? 0 : ch - '0';
        }
    }
}

// The playing field as ten rows of text, as setBoard reads them.
inline std::vector<std::string> boardRows(const GameState& state) {
    std::vector<std::string> rows;
    for (int r = 1; r <= 10; ++r) {
        std::string row;
        for (int c = 1; c <= 10; ++c) {
            const int v = state.cells[c][r];
            row += v == 0 ? '.' : static_cast<char>('0' + v);
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace testsupport
