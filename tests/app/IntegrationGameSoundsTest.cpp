// The sounds a real game asks for, through the real sound player.

#include "app/SoundPlayer.h"
#include "engine/Game.h"
#include "engine/RandomSource.h"
#include "tests/support/Fakes.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

using testsupport::RecordingOutput;

// A game wired to the real sound player, whose recordings end up in `output`.
class IntegrationGameSounds : public ::testing::Test {
public: // for the test bodies
    IntegrationGameSounds() { game.setSounds(&player); }

    // Starts a game, then leaves only a pair of flowers on the board, two flowers short of the
    // next level, and clicks the pair: one group end that clears, empties the board and levels
    // up at once.
    void clearTheLastPairOnTheLevelsLastFlowers() {
        game.button_startClick("Ann");
        game.clearboard();
        game.state().cells[1][10] = 1;
        game.state().cells[2][10] = 1;
        game.state().levelcleared = 98;
        game.boardMouseUp(MouseButton::left, 0, 5, 9 * 32 + 5);
        clock.advance(200);
    }

    RecordingOutput output;
    bool soundsOn = true;
    SoundPlayer player{output, [this] { return soundsOn; }};
    testsupport::NullBoard board;
    testsupport::NullDisplay display;
    VirtualClock clock;
    SeededRandom random{7};
    Game game{board, display, clock, random};
};

TEST_F(IntegrationGameSounds, OneGroupEndAsksForClearThenClearedAllThenLevelUp) {
    clearTheLastPairOnTheLevelsLastFlowers();
    ASSERT_GE(game.state().round, 1);
    // "startgame" has no recording: it only ends what was playing.
    EXPECT_EQ(output.calls,
              (std::vector<std::string>{"stop", "play CLEAR", "play CLEAREDALL", "play LEVELUP"}));
}

TEST_F(IntegrationGameSounds, SwitchedOffGameAsksForNothing) {
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
