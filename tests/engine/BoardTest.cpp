// The field on its own: partners, neighbours in queue order, clearing, settling and emptiness.

#include "engine/Board.h"
#include "tests/support/Fakes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

namespace {

using testsupport::bottom;

struct Field {
    explicit Field(const std::vector<std::string>& rows) { testsupport::setBoard(state, rows); }
    std::vector<std::string> rows() const { return testsupport::boardRows(state); }
    Board& board() { return state.cells; }
    GameState state;
};

using Draws = std::vector<std::tuple<int, int, int>>;

TEST(Board, APartnerIsAnOrthogonalNeighbourOfTheSameColour) {
    Field f(bottom({"1.2.33....", ".1.2......"}));
    EXPECT_FALSE(f.board().hasPartner(1, 9)) << "diagonal only";
    EXPECT_FALSE(f.board().hasPartner(3, 9));
    EXPECT_TRUE(f.board().hasPartner(5, 9));
    EXPECT_TRUE(f.board().hasPartner(6, 9));
    EXPECT_FALSE(f.board().hasPartner(2, 9)) << "an empty cell has no partner";
}

TEST(Board, LookupsOutsideTheFieldReadEmpty) {
    Field f(bottom({"1........1"}));
    f.board()[0][10] = 1; // the border and the entry row never count
    f.board()[11][10] = 1;
    f.board()[1][0] = 1;
    EXPECT_EQ(f.board().at(0, 10), 0);
    EXPECT_EQ(f.board().at(11, 10), 0);
    EXPECT_EQ(f.board().at(1, 0), 0);
    EXPECT_EQ(f.board().at(1, 11), 0);
    EXPECT_FALSE(f.board().hasPartner(1, 10));
    EXPECT_FALSE(f.board().hasPartner(10, 10));
}

TEST(Board, NeighboursOfAColourComeRightLeftBelowAbove) {
    Field f(bottom({".....1....", "....111...", ".....1...."}));
    EXPECT_EQ(f.board().neighboursOfColour(6, 9, 1),
              (std::vector<Cell>{{7, 9}, {5, 9}, {6, 10}, {6, 8}}));
    EXPECT_TRUE(f.board().neighboursOfColour(6, 9, 0).empty()) << "colour 0 matches nothing";
    EXPECT_TRUE(f.board().neighboursOfColour(6, 9, 2).empty());
}

TEST(Board, ClearEmptiesTheWholeGrid) {
    Field f(std::vector<std::string>(10, "1234561234"));
    f.board()[0][0] = 5;
    f.board()[3][0] = 2;
    f.board().clear();
    for (int c = 0; c < Board::columns; ++c) {
        for (int r = 0; r < Board::rows; ++r) {
            EXPECT_EQ(f.board()[c][r], 0) << c << "," << r;
        }
    }
    EXPECT_TRUE(f.board().isEmpty());
}

TEST(Board, SettleLetsFlowersFallThenClosesColumnsTowardTheCentre) {
    const struct {
        std::vector<std::string> before, after;
    } cases[] = {
        // A, B and C on rows 2, 4 and 5 rest on rows 8, 9 and 10.
        {{"..........", "1.........", "..........", "2.........", "3.........", "..........",
          "..........", "..........", "..........", ".........."},
         bottom({"....1.....", "....2.....", "....3....."})},
        {bottom({"1.2......."}), bottom({"...12....."})},
        {bottom({".......1.2"}), bottom({".....12..."})},
        {bottom({".......123"}), bottom({".....123.."})},
    };
    for (const auto& k : cases) {
        Field f(k.before);
        f.board().settle([](int, int, int) {});
        EXPECT_EQ(f.rows(), k.after);
    }
}

TEST(Board, SettleReportsEveryChangedCellInDrawingOrder) {
    Field f(bottom({"1........."}));
    Draws draws;
    std::array<std::array<int, 11>, 12> screen{};
    screen[1][10] = 1;
    f.board().settle([&](int c, int r, int t) {
        draws.emplace_back(c, r, t);
        screen[c][r] = t;
    });
    for (int c = 1; c <= 10; ++c) {
        for (int r = 1; r <= 10; ++r) {
            EXPECT_EQ(screen[c][r], f.board()[c][r]) << c << "," << r;
        }
    }
    // Gravity draws every empty cell of every sweep (9 x 10 in column 1, 10 x 10 elsewhere);
    // then column 1 moves right, the destination drawn before the source on each row.
    constexpr std::size_t gravityDraws = 90 + 9 * 100;
    ASSERT_GT(draws.size(), gravityDraws + 20);
    EXPECT_EQ(draws[gravityDraws], std::make_tuple(2, 1, 0));
    EXPECT_EQ(draws[gravityDraws + 1], std::make_tuple(1, 1, 0));
    EXPECT_EQ(draws[gravityDraws + 18], std::make_tuple(2, 10, 1));
    EXPECT_EQ(draws[gravityDraws + 19], std::make_tuple(1, 10, 0));
    EXPECT_EQ(f.rows(), bottom({"....1....."}));
}

TEST(Board, IsEmptyOnlyWithoutAnyFlower) {
    for (int c = 1; c <= 10; ++c) {
        Field f(bottom({}));
        f.board()[c][c] = 4;
        EXPECT_FALSE(f.board().isEmpty()) << c;
    }
    EXPECT_TRUE(Field(bottom({})).board().isEmpty());
}

} // namespace
