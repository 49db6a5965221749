// Clicks on the board: the pixel-to-cell mapping and every state in which a click is refused.

#include "tests/engine/EngineFixture.h"

namespace {

class GameInput : public EngineTest {
protected:
    // The click at (c, r) was refused and is not waiting to happen later either.
    void expectRefused(int c, int r) {
        const bool wasremoving = s().removing;
        const auto queued = s().clickcord;
        click(c, r);
        EXPECT_EQ(s().removing, wasremoving);
        EXPECT_EQ(s().clickcord, queued);
    }
};

const std::vector<std::string> pairs = bottom({"3312121212", "5521212121"});

TEST_F(GameInput, PixelsMapToCellsAndReleasesOffTheFieldAreIgnored) {
    startWith(std::vector<std::string>(10, "1111111111"));
    const struct {
        int x, y;
        Cell cell; // {0, 0} when refused
    } cases[] = {{0, 0, {1, 1}},
                 {31, 31, {1, 1}},
                 {32, 0, {2, 1}},
                 {0, 32, {1, 2}},
                 {319, 319, {10, 10}},
                 {160, 100, {6, 4}},
                 {320, 5, {}},
                 {5, 320, {}},
                 {400, 400, {}},
                 {-32, 5, {}},
                 {5, -32, {}},
                 {-1000, -1000, {}},
                 // Division drops the fraction: less than 32 pixels off still reads 1.
                 {-31, 5, {1, 1}},
                 {5, -31, {1, 1}}};
    for (const auto& k : cases) {
        s().removing = false;
        s().clickcord.clear();
        game.boardMouseUp(MouseButton::left, 0, k.x, k.y);
        EXPECT_EQ(s().clickcord.empty() ? Cell{} : s().clickcord.front(), k.cell)
            << k.x << "," << k.y;
    }
}

TEST_F(GameInput, AnyButtonAndAnyKeysCount) {
    const struct {
        MouseButton button;
        ShiftState shift;
    } cases[] = {{MouseButton::left, 0},
                 {MouseButton::right, 0},
                 {MouseButton::middle, ctrlKey},
                 {MouseButton::right, ShiftState(shiftKey | altKey)}};
    for (const auto& k : cases) {
        startWith(pairs);
        game.boardMouseUp(k.button, k.shift, 16, 9 * 32 + 16);
        EXPECT_EQ(s().clickcord, (CellQueue{{1, 10}})) << static_cast<int>(k.button);
    }
}

TEST_F(GameInput, AnEmptyCellOrALoneFlowerChangesNothing) {
    startWith(pairs);
    expectRefused(1, 1);  // empty
    expectRefused(5, 10); // no neighbour of its colour
    clock.advance(100);
    EXPECT_EQ(board(), pairs);
    EXPECT_TRUE(rec.sounds.empty());
}

TEST_F(GameInput, RefusedBeforeTheFirstGame) {
    setBoard(pairs);
    expectRefused(1, 9);
    clock.advance(100);
    EXPECT_EQ(s().cells[1][9], 3);
}

TEST_F(GameInput, RefusedWhileALineFalls) {
    startWith(pairs);
    clock.advance(3010);
    ASSERT_FALSE(s().linesettled);
    expectRefused(1, 9);
    clock.advance(200);
    ASSERT_TRUE(s().linesettled);
    EXPECT_FALSE(s().removing) << "the refused click was not queued";
    EXPECT_EQ(s().groupcount, 0);
}

TEST_F(GameInput, RefusedWhileAGroupIsRemoved) {
    startWith(pairs);
    click(1, 9);
    tick();
    expectRefused(1, 10);
    removeGroup();
    clock.advance(100);
    EXPECT_EQ(rec.lastscores, std::vector<int>{2}) << "only the first group was scored";
    EXPECT_NE(s().cells[1][10] + s().cells[2][10], 0);
}

TEST_F(GameInput, RefusedDuringTheLevelUp) {
    startWith(pairs);
    s().levelcleared = 99;
    click(1, 10);
    removeGroup();
    ASSERT_TRUE(game.timerblink().running());
    ASSERT_EQ(s().cells[1][10], 3) << "the pair of 3s has fallen to row 10";
    expectRefused(1, 10); // before the first blink tick: the level-up is pending
    clock.advance(200);
    ASSERT_TRUE(s().blinking);
    expectRefused(1, 10);
    clock.advance(200);
    ASSERT_FALSE(s().blinkhidden);
    expectRefused(1, 10);
    clock.advance(1600);
    ASSERT_EQ(s().round, 2);
    EXPECT_FALSE(s().removing) << "no refused click was queued";
    click(1, 10);
    EXPECT_TRUE(s().removing) << "accepted again in the new round";
}

TEST_F(GameInput, RefusedAfterGameOver) {
    startWith(pairs);
    game.endgame();
    expectRefused(1, 9);
}

TEST_F(GameInput, RefusedWhilePaused) {
    startWith(pairs);
    game.button_pauseClick();
    expectRefused(1, 9);
    clock.advance(100);
    EXPECT_EQ(s().cells[1][9], 3);
    game.button_resumeClick();
    click(1, 9);
    EXPECT_TRUE(s().removing);
}

TEST_F(GameInput, ARepaintRedrawsEveryCellFromTheGrid) {
    startWith(pairs);
    game.boardPaint();
    ASSERT_EQ(rec.draws.size(), 100U);
    for (int c = 1, i = 0; c <= 10; ++c) {
        for (int r = 1; r <= 10; ++r, ++i) {
            EXPECT_EQ(rec.draws[i], (Draw{c, r, s().cells[c][r]}));
        }
    }
}

TEST_F(GameInput, ARepaintDuringTheBlankPhaseShowsTheFlowers) {
    startWith(pairs);
    s().levelcleared = 99;
    click(1, 10);
    removeGroup();
    clock.advance(200);
    ASSERT_TRUE(s().blinkhidden);
    ASSERT_TRUE(screenBlank());
    game.boardPaint();
    EXPECT_TRUE(screenShowsGrid());
    EXPECT_TRUE(s().blinkhidden);
    clock.advance(400); // the next blank phase blanks them again
    EXPECT_TRUE(screenBlank());
}

TEST_F(GameInput, ARemovalTickDrawsOnlyTheRemovedFlower) {
    startWith(pairs);
    s().cells[3][9] = 3; // a group of 3: two ticks before the group's end
    game.boardPaint();
    rec.clearLogs();
    clock.advance(50);
    EXPECT_TRUE(rec.draws.empty()) << "idle ticks draw nothing";
    click(1, 9);
    tick();
    EXPECT_EQ(rec.draws, std::vector<Draw>{(Draw{1, 9, 0})});
    rec.clearLogs();
    tick();
    EXPECT_EQ(rec.draws, std::vector<Draw>{(Draw{2, 9, 0})});
}

TEST_F(GameInput, DroppingALineDrawsNothing) {
    startWith(pairs);
    clock.advance(2990);
    rec.clearLogs();
    game.dropline();
    EXPECT_TRUE(rec.draws.empty());
    EXPECT_FALSE(s().linesettled);
}

} // namespace
