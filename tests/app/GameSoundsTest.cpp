#include "Game.h"
#include "RandomSource.h"
#include "RecordingOutput.h"
#include "SoundPlayer.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

class NoBoard : public BoardSurface {
public:
    void drawtile(int, int, int) override {}
};

class NoDisplay : public GameDisplay {
public:
    void settext(Component, const std::string&) override {}
    void setshown(Component, bool) override {}
    void setenabled(Component, bool) override {}
    std::string playername() const override { return "Ann"; }
};

// A game wired to the real sound player, whose recordings end up in `output`.
class GameSoundsTest : public ::testing::Test {
protected:
    GameSoundsTest() { game.setsounds(&player); }

    // Starts a game, then leaves only a pair of flowers on the board, two flowers short of the
    // next level, and clicks the pair: one group end that clears, empties the board and levels
    // up at once.
    void clearTheLastPairOnTheLevelsLastFlowers() {
        game.button_startClick();
        game.clearboard();
        game.state().cells[1][10] = 1;
        game.state().cells[2][10] = 1;
        game.state().levelcleared = 98;
        game.boardMouseUp(5, 9 * 32 + 5);
        clock.advance(200);
    }

    RecordingOutput output;
    bool soundsOn = true;
    SoundPlayer player{output, [this] { return soundsOn; }};
    NoBoard board;
    NoDisplay display;
    VirtualClock clock;
    SeededRandom random{7};
    Game game{board, display, clock, random};
};

TEST_F(GameSoundsTest, OneGroupEndAsksForClearThenClearedAllThenLevelUp) {
    clearTheLastPairOnTheLevelsLastFlowers();
    ASSERT_GE(game.state().round, 1);
    // "startgame" has no recording: it only ends what was playing.
    EXPECT_EQ(output.calls,
              (std::vector<std::string>{"stop", "play CLEAR", "play CLEAREDALL", "play LEVELUP"}));
}

TEST_F(GameSoundsTest, SwitchedOffGameAsksForNothing) {
    // The same game heard with sounds on: lines drop and the game ends within the minute.
    clearTheLastPairOnTheLevelsLastFlowers();
    clock.advance(60000);
    ASSERT_FALSE(game.state().gamerunning);
    EXPECT_EQ(output.calls.back(), "play GAMEOVER");
    EXPECT_NE(std::find(output.calls.begin(), output.calls.end(), "play DROP"), output.calls.end());

    output.calls.clear();
    soundsOn = false;
    clearTheLastPairOnTheLevelsLastFlowers();
    clock.advance(60000);
    EXPECT_FALSE(game.state().gamerunning);
    EXPECT_TRUE(output.calls.empty());
}

} // namespace
