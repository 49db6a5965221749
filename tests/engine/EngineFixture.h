#pragma once

// A game on the virtual clock with a recorder for everything it shows, plays and tells.

#include "engine/Game.h"
#include "engine/RandomSource.h"
#include "tests/support/Fakes.h"
#include "tests/support/Recorder.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using testsupport::bottom;

inline const std::vector<std::string> emptyboard = bottom({});

class EngineTest : public ::testing::Test {
public: // for the test bodies
    EngineTest() {
        game.setSounds(&rec);
        game.setTally(&rec);
    }

    // rows[0] is row 1 (the top), rows[9] row 10.
    void setBoard(const std::vector<std::string>& rows) { testsupport::setBoard(s(), rows); }
    std::vector<std::string> board() const { return testsupport::boardRows(game.state()); }
    // START GAME, then the given board instead of the random one; logs cleared.
    void startWith(const std::vector<std::string>& rows) {
        game.button_startClick("Tester");
        setBoard(rows);
        game.boardPaint();
        rec.clearLogs();
    }
    void click(int c, int r) {
        game.boardMouseUp(MouseButton::left, 0, (c - 1) * 32 + 16, (r - 1) * 32 + 16);
    }
    // One 10 ms step of the clock.
    void tick() { clock.advance(10); }
    // Steps until the group in progress is removed; returns the number of steps.
    int removeGroup() {
        int ticks = 0;
        for (; s().removing && ticks < 1000; ++ticks) {
            tick();
        }
        return ticks;
    }
    bool screenShowsGrid() const { return rec.shows(game.state()); }
    bool screenBlank() const { return rec.shows(GameState{}); }
    GameState& s() { return game.state(); }

    VirtualClock clock;
    SeededRandom random{2024};
    Recorder rec;
    Game game{rec, rec, clock, random};
};
