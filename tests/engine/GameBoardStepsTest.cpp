// The board rules: click acceptance, the breadth-first removal, closing up, the empty test.

#include "tests/engine/EngineFixture.h"

#include <algorithm>

namespace {

using GameBoardSteps = EngineTest;

TEST_F(GameBoardSteps, TheExampleGroupIsRemovedBreadthFirst) {
    setBoard(bottom({"...2113...", "...2113..."}));
    s().round = 1;
    game.checkit1(5, 10);
    EXPECT_TRUE(s().removing);
    EXPECT_EQ(s().clickcord, (CellQueue{{5, 10}}));

    game.timerremoveTimer(); // (5,10) goes, (6,10) then (5,9) are queued
    EXPECT_EQ(s().cells[5][10], 0);
    EXPECT_TRUE(s().clickcord.empty());
    EXPECT_EQ(s().removecord, (CellQueue{{6, 10}, {5, 9}}));
    EXPECT_EQ(s().removecolor, 1);
    game.timerremoveTimer(); // (6,10) goes, (6,9) above it is queued
    EXPECT_EQ(s().removecord, (CellQueue{{5, 9}, {6, 9}}));
    game.timerremoveTimer(); // (5,9) goes; its right neighbour is queued already
    EXPECT_EQ(s().removecord, (CellQueue{{6, 9}}));
    EXPECT_TRUE(s().removing);
    game.timerremoveTimer(); // the group of 4 is complete
    EXPECT_FALSE(s().removing);
    EXPECT_EQ(s().removecolor, 0);
    EXPECT_EQ(s().groupcount, 0);
    EXPECT_EQ(rec.shown.cleared, 4);
    // The tiles blanked one per tick, in queue order; then columns 4 and 7 closed up.
    EXPECT_EQ(std::vector<Draw>(rec.draws.begin(), rec.draws.begin() + 4),
              (std::vector<Draw>{{5, 10, 0}, {6, 10, 0}, {5, 9, 0}, {6, 9, 0}}));
    EXPECT_EQ(board(), bottom({"....23....", "....23...."}));
}

TEST_F(GameBoardSteps, ATwoByTwoBlockTakesFourTicksWithNoFlowerTwice) {
    setBoard(bottom({".44.......", ".44......."}));
    s().round = 1;
    game.checkit1(2, 9);
    int ticks = 0;
    while (s().removing) {
        game.timerremoveTimer();
        ++ticks;
        const auto& q = s().removecord;
        for (auto i = q.begin(); i != q.end(); ++i) {
            EXPECT_EQ(std::count(q.begin(), q.end(), *i), 1);
        }
        ASSERT_LE(ticks, 4);
    }
    EXPECT_EQ(ticks, 4);
    EXPECT_EQ(rec.shown.cleared, 4);
    EXPECT_EQ(s().levelcleared, 4);
    EXPECT_TRUE(game.checkforempty());
}

TEST_F(GameBoardSteps, DiagonalContactIsIgnored) {
    // A pair of 5s with a 5 touching it at each corner, none with an orthogonal 5.
    const auto diagonals = bottom({"...5..5...", "....55....", "...5225..."});
    setBoard(diagonals);
    s().round = 1;
    for (auto [c, r] : {std::pair{4, 8}, {7, 8}, {4, 10}, {7, 10}}) {
        game.checkit1(c, r);
    }
    EXPECT_FALSE(s().removing);
    EXPECT_TRUE(s().clickcord.empty());
    game.timerremoveTimer();
    EXPECT_EQ(board(), diagonals);
    EXPECT_TRUE(rec.log.empty());
    game.checkit1(5, 9);
    EXPECT_EQ(removeGroup(), 2) << "the removal does not spread across corners";
}

TEST_F(GameBoardSteps, LookupsBeyondTheFieldReadAsEmpty) {
    setBoard({"..4.......", "..........", "..........", "..........", "2.........", "..........",
              "..........", "..........", "..........", ".........3"});
    // The same colours planted just outside: border columns and entry row.
    s().cells[0][5] = 2;
    s().cells[11][10] = 3;
    s().cells[3][0] = 4;
    game.checkit1(1, 5);
    game.checkit1(10, 10);
    game.checkit1(3, 1);
    EXPECT_FALSE(s().removing);
    EXPECT_TRUE(s().clickcord.empty());

    for (auto [colour, c, r] : {std::tuple{4, 3, 1}, {2, 1, 5}, {3, 10, 10}}) {
        s().removecolor = colour;
        game.removeit1(c, r);
    }
    EXPECT_TRUE(s().removecord.empty());
}

TEST_F(GameBoardSteps, AGroupAlongTheEdgesStopsAtTheEdges) {
    // Row 1 and column 10 of colour 4, the rest other colours; colour 4 also in the border columns.
    std::vector<std::string> rows(10, "1212121214");
    rows[0] = "4444444444";
    setBoard(rows);
    s().cells[0][1] = s().cells[11][5] = 4;
    s().round = 1;
    game.checkit1(1, 1);
    EXPECT_EQ(removeGroup(), 19);
    EXPECT_EQ(rec.shown.cleared, 19);
    EXPECT_EQ(s().cells[0][1] + s().cells[11][5], 8);
}

// Gravity first, then the left half closes up toward the centre, then columns 8 to 10 move
// left toward it (never further than column 6).
struct ClosingUpCase {
    const char* name;
    std::vector<std::string> before, after;
};

class ClosingUp : public EngineTest, public ::testing::WithParamInterface<ClosingUpCase> {};

TEST_P(ClosingUp, MovesTheColumns) {
    setBoard(GetParam().before);
    game.moverowsdown();
    EXPECT_EQ(board(), GetParam().after);
    EXPECT_TRUE(screenShowsGrid()) << "every change is drawn";
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ClosingUp,
    ::testing::Values(
        ClosingUpCase{"GravityKeepsAColumnsOrder",
                      {"..........", "..1.......", "..........", "..2.......", "..3.......",
                       "..........", "..........", "..........", "..........", ".........."},
                      bottom({"....1.....", "....2.....", "....3....."})},
        ClosingUpCase{"LeftHalf", bottom({"1.........", "1.3.......", "2.4.....5."}),
                      bottom({"...1......", "...13.....", "...245...."})},
        ClosingUpCase{"RightHalf", bottom({".......1..", "...6...2.3"}),
                      bottom({".....1....", "....623..."})},
        ClosingUpCase{"ColumnsEightToTenOnly", bottom({".......5.1", ".......123"}),
                      bottom({".....5.1..", ".....123.."})},
        ClosingUpCase{"GravityThenColumns",
                      {"1.........", "..........", "2........6", "..........", "..........",
                       "..........", "..........", "..........", "..........", "........4."},
                      bottom({"....1.....", "....246..."})}),
    [](const auto& info) { return info.param.name; });

TEST_F(GameBoardSteps, MovingAColumnDrawsTheDestinationThenTheSource) {
    setBoard(bottom({"...1....2."}));
    rec.clearLogs();
    game.moverowsdown();
    // Left half: column 4 moves right: new cell first, then the emptied one.
    const auto left = std::find(rec.draws.begin(), rec.draws.end(), Draw{5, 10, 1});
    ASSERT_NE(left, rec.draws.end());
    EXPECT_EQ(*(left + 1), (Draw{4, 10, 0}));
    // Right half: column 9 moves left: emptied cell first, then the new one.
    const auto right = std::find(rec.draws.begin(), rec.draws.end(), Draw{8, 10, 2});
    ASSERT_NE(right, rec.draws.begin());
    EXPECT_EQ(*(right - 1), (Draw{9, 10, 0}));
}

TEST_F(GameBoardSteps, CheckforemptyFindsASingleFlowerAnywhere) {
    EXPECT_TRUE(game.checkforempty());
    for (int c = 1; c <= 10; ++c) {
        for (int r = 1; r <= 10; ++r) {
            s().cells[c][r] = 5;
            EXPECT_FALSE(game.checkforempty()) << c << "," << r;
            s().cells[c][r] = 0;
        }
    }
}

TEST_F(GameBoardSteps, ClearboardEmptiesTheGridAndDrawsEveryCellBlank) {
    for (auto& column : s().cells) {
        column.fill(3);
    }
    game.clearboard();
    EXPECT_EQ(s().cells, GameState{}.cells);
    EXPECT_EQ(rec.draws.size(), 100U);
    EXPECT_EQ(rec.baddraws, 0);
    EXPECT_EQ(rec.draws[0], (Draw{1, 1, 0}));
    EXPECT_EQ(rec.draws[1], (Draw{1, 2, 0}));
    EXPECT_EQ(rec.draws[99], (Draw{10, 10, 0}));
}

TEST_F(GameBoardSteps, RemovalStepDoesNothingWhileBlinking) {
    setBoard(bottom({"11........"}));
    game.checkit1(1, 10);
    s().blinking = true;
    game.timerremoveTimer();
    EXPECT_EQ(s().clickcord, (CellQueue{{1, 10}}));
    EXPECT_EQ(s().cells[1][10], 1);
    s().blinking = false;
    game.timerremoveTimer();
    EXPECT_EQ(s().cells[1][10], 0);
}

TEST(PointsFactor, FollowsTheTable) {
    const int table[][3] = {{0, 0, 0},   {1, 3, 1},   {4, 6, 2},    {7, 10, 3},
                            {11, 14, 4}, {15, 19, 5}, {20, 24, 6},  {25, 30, 7},
                            {31, 36, 8}, {37, 44, 9}, {45, 100, 10}};
    for (const auto& row : table) {
        for (int n = row[0]; n <= row[1]; ++n) {
            EXPECT_EQ(Game::pointsfactor(n), row[2]) << n;
        }
    }
}

TEST_F(GameBoardSteps, TheRemovalTicksSleepWhileBothQueuesAreEmpty) {
    startWith(bottom({"11........"}));
    tick();
    EXPECT_TRUE(game.timerremove().asleep()) << "nothing queued";
    click(1, 10);
    EXPECT_FALSE(game.timerremove().asleep()) << "an accepted click wakes them";
    removeGroup();
    EXPECT_FALSE(game.timerremove().asleep());
    tick();
    EXPECT_TRUE(game.timerremove().asleep());
    EXPECT_TRUE(game.timerremove().running()) << "asleep is only a hint: the timer still runs";
}

} // namespace
