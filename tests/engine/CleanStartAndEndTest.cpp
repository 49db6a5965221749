// A new game starts clean, a finished game stays finished, and the level count reads 100.

#include "tests/engine/EngineFixture.h"

namespace {

class CleanStartAndEnd : public EngineTest {
protected:
    // START GAME now leaves nothing of what was going on, and nothing of it comes back later.
    void expectCleanStart() {
        game.button_startClick("Tester");
        EXPECT_FALSE(s().removing);
        EXPECT_EQ(s().removecolor, 0);
        EXPECT_TRUE(s().clickcord.empty());
        EXPECT_TRUE(s().removecord.empty());
        EXPECT_FALSE(game.timerdrop().running());
        EXPECT_FALSE(game.timerblink().running());
        EXPECT_FALSE(s().blinking);
        EXPECT_FALSE(s().blinkhidden);
        EXPECT_TRUE(s().linesettled);
        EXPECT_TRUE(screenShowsGrid());
        clock.advance(2900);
        for (int c = 0; c < Board::columns; ++c) {
            for (int r = 0; r < Board::rows; ++r) {
                const bool field = c >= 1 && c <= 10 && r >= 9;
                EXPECT_EQ(s().cells[c][r] != 0, field) << "only rows 9 and 10: " << c << "," << r;
            }
        }
        EXPECT_EQ(s().round, 1) << "an old blink does not begin round 2";
        EXPECT_EQ(rec.shown.round, 1);
        EXPECT_EQ(s().groupcount, 0);
        EXPECT_EQ(s().score, 0);
        EXPECT_TRUE(s().linesettled);
        EXPECT_TRUE(screenShowsGrid());
    }
};

const std::vector<std::string> bigblock = bottom({"1111111111", "1111111111", "1111111111"});

TEST_F(CleanStartAndEnd, StartGameDuringARemovalStartsClean) {
    startWith(bigblock);
    click(1, 10);
    clock.advance(50);
    ASSERT_TRUE(s().removing);
    ASSERT_FALSE(s().removecord.empty());
    expectCleanStart();
}

TEST_F(CleanStartAndEnd, StartGameDuringAFallingLineStartsClean) {
    game.button_startClick("Tester");
    clock.advance(3030);
    ASSERT_TRUE(game.timerdrop().running());
    expectCleanStart();
}

TEST_F(CleanStartAndEnd, StartGameDuringTheBlinkStartsClean) {
    startWith(bigblock);
    s().levelcleared = 80;
    click(1, 10);
    removeGroup();
    ASSERT_TRUE(game.timerblink().running());
    clock.advance(200);
    ASSERT_TRUE(s().blinkhidden);
    expectCleanStart();
}

TEST_F(CleanStartAndEnd, StartGameWhilePausedEndsThePause) {
    game.button_startClick("Tester");
    game.button_pauseClick();
    game.button_startClick("Tester");
    EXPECT_FALSE(s().paused);
    EXPECT_FALSE(rec.shown.paused);
}

TEST_F(CleanStartAndEnd, StartroundDoesNothingOnceTheGameIsOver) {
    game.button_startClick("Tester");
    game.endgame();
    rec.clearLogs();
    game.startround();
    EXPECT_EQ(s().round, 1);
    EXPECT_FALSE(game.timerdroprate().running());
    EXPECT_FALSE(game.timerremove().running());
    EXPECT_FALSE(s().linesettled);
    EXPECT_TRUE(rec.log.empty());
}

TEST_F(CleanStartAndEnd, EndgameStopsTheBlink) {
    startWith(bigblock);
    s().levelcleared = 80;
    click(1, 10);
    removeGroup();
    ASSERT_TRUE(game.timerblink().running());
    game.endgame();
    EXPECT_FALSE(game.timerblink().running());
}

// A line dropped in the first 200 ms after a level-up overflows; the game ends during the
// blink. The blink stops, the final position is shown, and nothing happens afterwards.
TEST_F(CleanStartAndEnd, AGameOverDuringTheBlinkStaysOver) {
    startWith({"....1.....", "....2.....", "....1.....", "....2.....", "....1.....", "....2.....",
               "....1.....", "....2.....", "....1.....", "33..2....."});
    s().levelcleared = 99;
    clock.advance(2850);
    click(1, 10);
    removeGroup(); // ends at 2870: level-up, first blink tick due at 3070
    ASSERT_TRUE(game.timerblink().running());
    ASSERT_FALSE(s().blinking);
    clock.advance(130); // 3000: a line drops, since the blink has not begun
    ASSERT_FALSE(s().linesettled);
    ASSERT_TRUE(game.timerdrop().running());
    clock.advance(70); // 3070: the first blink tick blanks the board
    ASSERT_TRUE(s().blinkhidden);
    rec.clearLogs();
    clock.advance(30); // 3100: the line settles with column 5's flower above the field
    EXPECT_FALSE(s().gamerunning);
    EXPECT_FALSE(game.timerblink().running());
    EXPECT_FALSE(s().blinkhidden);
    EXPECT_TRUE(screenShowsGrid()) << "the final position is shown";
    EXPECT_EQ(rec.tally, (std::vector<std::string>{"checkscore(2,Tester)", "checkchange(2,1)"}));

    rec.clearLogs();
    clock.advance(10000);
    EXPECT_EQ(s().round, 1);
    EXPECT_EQ(rec.shown.round, 1);
    EXPECT_TRUE(rec.log.empty()) << "no line, no blink, no second game over";
    EXPECT_FALSE(game.timerdroprate().running());
    EXPECT_FALSE(game.timerremove().running());
}

TEST_F(CleanStartAndEnd, UntilNextLevelReadsOneHundredAtEveryStart) {
    game.button_startClick("Tester");
    EXPECT_EQ(rec.shown.untilNextLevel, 100);
    EXPECT_EQ(s().untilnextlevel, 100);
    setBoard(bigblock);
    s().levelcleared = 80;
    click(1, 10);
    removeGroup();
    EXPECT_EQ(rec.shown.untilNextLevel, 0);
    clock.advance(2000);
    EXPECT_EQ(s().round, 2);
    EXPECT_EQ(rec.shown.untilNextLevel, 100);
    EXPECT_EQ(s().untilnextlevel, 100);
}

} // namespace
