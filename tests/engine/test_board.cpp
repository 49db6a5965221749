// The board rules: click acceptance, the breadth-first removal, closing up, the empty test.

#include "EngineFixture.h"

namespace {

class BoardRules : public EngineTest {
protected:
    // Accepts the click the way a mouse release would and runs removal steps directly until
    // the group is gone; returns the cells removed, in order.
    std::vector<std::string> removeat(int c, int r) {
        std::vector<std::string> removed;
        game.checkit1(c, r);
        for (int guard = 0; s().removing && guard < 200; ++guard) {
            if (!s().removecord.empty() || !s().clickcord.empty()) {
                const std::string next =
                    s().removecord.empty() ? s().clickcord.front() : s().removecord.front();
                removed.push_back(next);
            }
            game.timerremoveTimer();
        }
        return removed;
    }
};

TEST_F(BoardRules, TheExampleGroupIsRemovedBreadthFirst) {
    setboard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "...2113...", "...2113..."});
    s().round = 1;
    game.checkit1(5, 10);
    EXPECT_TRUE(s().removing);
    EXPECT_EQ(s().clickcord, CellQueue{"5,10"});

    game.timerremoveTimer(); // tick 1: (5,10) goes, (6,10) then (5,9) are queued
    EXPECT_EQ(s().cells[5][10], 0);
    EXPECT_TRUE(s().clickcord.empty());
    EXPECT_EQ(s().removecord, (CellQueue{"6,10", "5,9"}));
    EXPECT_EQ(s().removecolor, 1);
    game.timerremoveTimer(); // tick 2: (6,10) goes, (6,9) above it is queued
    EXPECT_EQ(s().removecord, (CellQueue{"5,9", "6,9"}));
    game.timerremoveTimer(); // tick 3: (5,9) goes; its right neighbour is queued already
    EXPECT_EQ(s().removecord, (CellQueue{"6,9"}));
    EXPECT_TRUE(s().removing);
    game.timerremoveTimer(); // tick 4: the group of 4 is complete
    EXPECT_FALSE(s().removing);
    EXPECT_EQ(s().removecolor, 0);
    EXPECT_EQ(s().groupcount, 0);
    EXPECT_EQ(rec.text(Component::label_numremoved), "4");

    // The tiles blanked one per tick, in queue order.
    std::vector<Draw> first4(rec.draws.begin(), rec.draws.begin() + 4);
    EXPECT_EQ(first4, (std::vector<Draw>{{5, 10, 0}, {6, 10, 0}, {5, 9, 0}, {6, 9, 0}}));
    // Closed up: column 4 moved to 5, column 7 to 6.
    EXPECT_EQ(board()[8], "....23....");
    EXPECT_EQ(board()[9], "....23....");
}

TEST_F(BoardRules, ATwoByTwoBlockTakesFourTicksWithNoFlowerTwice) {
    setboard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", ".44.......", ".44......."});
    s().round = 1;
    game.checkit1(2, 9);
    int ticks = 0;
    while (s().removing) {
        game.timerremoveTimer();
        ++ticks;
        const auto& q = s().removecord;
        for (size_t i = 0; i < q.size(); ++i) {
            for (size_t j = i + 1; j < q.size(); ++j) {
                EXPECT_NE(q[i], q[j]);
            }
        }
        ASSERT_LE(ticks, 4);
    }
    EXPECT_EQ(ticks, 4);
    EXPECT_EQ(rec.text(Component::label_numremoved), "4");
    EXPECT_EQ(s().levelcleared, 4);
    EXPECT_TRUE(game.checkforempty());
}

TEST_F(BoardRules, TwoSideBySideOnTheBottomRowTakeTwoTicks) {
    setboard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "1233......"});
    s().round = 1;
    EXPECT_EQ(removeat(4, 10), (std::vector<std::string>{"4,10", "3,10"}));
    EXPECT_EQ(rec.text(Component::label_numremoved), "2");
}

TEST_F(BoardRules, DiagonalContactIsIgnored) {
    setboard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "...5......", "..52......"});
    rec.clearlogs();
    const auto before = board();
    game.checkit1(3, 10);
    game.checkit1(4, 9);
    EXPECT_FALSE(s().removing);
    EXPECT_TRUE(s().clickcord.empty());
    game.timerremoveTimer();
    EXPECT_EQ(board(), before);
    EXPECT_TRUE(rec.log.empty());
}

TEST_F(BoardRules, LookupsBeyondTheFieldReadAsEmpty) {
    setboard({"..4.......", "..........", "..........", "..........", "2.........", "..........",
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

    s().removecolor = 4;
    game.removeit1(3, 1);
    s().removecolor = 2;
    game.removeit1(1, 5);
    s().removecolor = 3;
    game.removeit1(10, 10);
    EXPECT_TRUE(s().removecord.empty());
}

TEST_F(BoardRules, AGroupInTheCornerStaysInTheField) {
    setboard({"66........", "5.........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", ".........."});
    s().cells[0][1] = 6;
    s().round = 1;
    EXPECT_EQ(removeat(1, 1), (std::vector<std::string>{"1,1", "2,1"}));
    EXPECT_EQ(rec.text(Component::label_numremoved), "2");
    EXPECT_EQ(s().cells[0][1], 6);
}

TEST_F(BoardRules, AGroupAlongTheEdgesStopsAtTheEdges) {
    // Row 1 and column 10 of one colour, the rest another.
    std::vector<std::string> rows(10, "121212121"
                                      "4");
    rows[0] = "4444444444";
    setboard(rows);
    s().round = 1;
    const auto removed = removeat(1, 1);
    EXPECT_EQ(removed.size(), 19U);
    EXPECT_EQ(rec.text(Component::label_numremoved), "19");
}

TEST_F(BoardRules, GravityStacksAColumnInItsOrder) {
    setboard({"..........", "..1.......", "..........", "..2.......", "..3.......", "..........",
              "..........", "..........", "..........", ".........."});
    game.moverowsdown();
    std::vector<std::string> column;
    for (const auto& row : board()) {
        column.push_back(row.substr(4, 1)); // the column then moves on to column 5
    }
    EXPECT_EQ(column, (std::vector<std::string>{".", ".", ".", ".", ".", ".", ".", "1", "2", "3"}));
}

TEST_F(BoardRules, LeftHalfClosesUpTowardTheCentre) {
    // Columns 1 to 5: A, empty, B, empty, empty.
    setboard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "1.........", "1.3.......", "2.4.....5."});
    game.moverowsdown();
    EXPECT_EQ(board()[7], "...1......");
    EXPECT_EQ(board()[8], "...13.....");
    EXPECT_EQ(board()[9], "...245....");
}

TEST_F(BoardRules, RightHalfClosesUpTowardTheCentre) {
    // Columns 6 to 10: empty, empty, A, empty, B.
    setboard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", ".......1..", "...6...2.3"});
    game.moverowsdown();
    EXPECT_EQ(board()[8], ".....1....");
    EXPECT_EQ(board()[9], "....623...");
}

TEST_F(BoardRules, ColumnsEightToTenMoveToSixToEightOnly) {
    setboard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", ".......5.1", ".......123"});
    game.moverowsdown();
    EXPECT_EQ(board()[8], ".....5.1..");
    EXPECT_EQ(board()[9], ".....123..");
}

TEST_F(BoardRules, ClosingUpGravityThenColumns) {
    setboard({"1.........", "..........", "2........6", "..........", "..........", "..........",
              "..........", "..........", "..........", "........4."});
    game.moverowsdown();
    EXPECT_EQ(board()[8], "....1.....");
    EXPECT_EQ(board()[9], "....246...");
    EXPECT_TRUE(screenshowsgrid()) << "every change is drawn";
}

TEST_F(BoardRules, MovingAColumnDrawsTheDestinationThenTheSource) {
    setboard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "...1....2."});
    rec.clearlogs();
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

TEST_F(BoardRules, CheckforemptyFindsASingleFlowerAnywhere) {
    setboard(emptyboard);
    EXPECT_TRUE(game.checkforempty());
    for (int c = 1; c <= 10; ++c) {
        for (int r = 1; r <= 10; ++r) {
            s().cells[c][r] = 5;
            EXPECT_FALSE(game.checkforempty()) << c << "," << r;
            s().cells[c][r] = 0;
        }
    }
}

TEST_F(BoardRules, ClearboardEmptiesTheGridAndDrawsEveryCellBlank) {
    for (auto& column : s().cells) {
        column.fill(3);
    }
    rec.clearlogs();
    game.clearboard();
    for (int c = 0; c < GameState::columns; ++c) {
        for (int r = 0; r < GameState::rows; ++r) {
            EXPECT_EQ(s().cells[c][r], 0);
        }
    }
    EXPECT_EQ(rec.draws.size(), 100U);
    EXPECT_EQ(rec.baddraws, 0);
    EXPECT_EQ(rec.draws.front(), (Draw{1, 1, 0}));
    EXPECT_EQ(rec.draws[1], (Draw{1, 2, 0}));
    EXPECT_EQ(rec.draws.back(), (Draw{10, 10, 0}));
}

TEST_F(BoardRules, RemovalStepDoesNothingWhileBlinking) {
    setboard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "11........"});
    game.checkit1(1, 10);
    s().blinking = true;
    game.timerremoveTimer();
    EXPECT_EQ(s().clickcord, CellQueue{"1,10"});
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

} // namespace
