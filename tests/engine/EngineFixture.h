#pragma once

// A game on the virtual clock with a recorder for everything it shows, plays and tells.

#include "Game.h"
#include "RandomSource.h"
#include "Recorder.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

// A board given by its lowest rows, the last one row 10; empty rows above them. '.' is empty,
// '1' to '6' a colour.
inline std::vector<std::string> bottom(std::initializer_list<std::string> lowest) {
    std::vector<std::string> rows(10 - lowest.size(), "..........");
    rows.insert(rows.end(), lowest);
    return rows;
}

inline const std::vector<std::string> emptyboard = bottom({});

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        game.setsounds(&rec);
        game.settally(&rec);
    }

    // rows[0] is row 1 (the top), rows[9] row 10.
    void setboard(const std::vector<std::string>& rows) {
        for (int r = 1; r <= 10; ++r) {
            for (int c = 1; c <= 10; ++c) {
                const char ch = rows.at(r - 1).at(c - 1);
                s().cells[c][r] = ch == '.' ? 0 : ch - '0';
            }
        }
    }
    std::vector<std::string> board() const {
        std::vector<std::string> rows;
        for (int r = 1; r <= 10; ++r) {
            std::string row;
            for (int c = 1; c <= 10; ++c) {
                const int v = game.state().cells[c][r];
                row += v == 0 ? '.' : static_cast<char>('0' + v);
            }
            rows.push_back(row);
        }
        return rows;
    }
    // START GAME, then the given board instead of the random one; logs cleared.
    void startwith(const std::vector<std::string>& rows) {
        game.button_startClick();
        setboard(rows);
        game.boardPaint();
        rec.clearlogs();
    }
    void click(int c, int r) { game.boardMouseUp((c - 1) * 32 + 16, (r - 1) * 32 + 16); }
    // One 10 ms step of the clock.
    void tick() { clock.advance(10); }
    // Steps until the group in progress is removed; returns the number of steps.
    int removegroup() {
        int ticks = 0;
        for (; s().removing && ticks < 1000; ++ticks) {
            tick();
        }
        return ticks;
    }
    bool screenshowsgrid() const { return rec.shows(game.state()); }
    bool screenblank() const { return rec.shows(GameState{}); }
    GameState& s() { return game.state(); }

    VirtualClock clock;
    SeededRandom random{2024};
    Recorder rec;
    Game game{rec, rec, clock, random};
};
