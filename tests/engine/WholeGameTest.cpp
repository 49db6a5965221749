// Whole games on the virtual clock, played by a player that clicks the largest group.

#include "tests/engine/EngineFixture.h"
#include "tests/support/LargestGroup.h"

#include <algorithm>
#include <numeric>

namespace {

struct Table {
    explicit Table(std::uint64_t seed) : random(seed) {
        game.setSounds(&rec);
        game.setTally(&rec);
    }
    VirtualClock clock;
    SeededRandom random;
    Recorder rec;
    Game game{rec, rec, clock, random};
};

struct Result {
    int clicks = 0;
    int mismatches = 0; // ticks after which the board did not show the grid
};

// Plays until game over; the player thinks `think` ms before each click.
Result play(Table& t, int think) {
    Result result;
    GameState& s = t.game.state();
    t.game.button_startClick("Tester");
    std::int64_t readysince = -1;
    while (s.gamerunning && t.clock.now() < 3'600'000) {
        t.clock.advance(10);
        if (!s.blinking && !s.blinkhidden && !t.rec.shows(s)) {
            ++result.mismatches;
        }
        if (!(s.gamerunning && s.linesettled && !s.removing && !s.blinking)) {
            readysince = -1;
            continue;
        }
        if (readysince < 0) {
            readysince = t.clock.now();
        }
        if (t.clock.now() - readysince < think) {
            continue;
        }
        if (const testsupport::Group g = testsupport::largestGroup(s); g.size > 0) {
            t.game.boardMouseUp(MouseButton::left, 0, (g.c - 1) * 32 + 7, (g.r - 1) * 32 + 25);
            ++result.clicks;
        }
    }
    return result;
}

// The tally hears of the game's start, of each emptied board, then of its end, in order.
void expectTallyInOrder(const Table& t) {
    const auto& tally = t.rec.tally;
    ASSERT_GE(tally.size(), 3U);
    EXPECT_EQ(tally.front(), "addtomineincrease(1)");
    for (size_t i = 1; i + 2 < tally.size(); ++i) {
        EXPECT_EQ(tally[i], "addtomineincrease(3)");
    }
    EXPECT_EQ(tally[tally.size() - 2],
              "checkscore(" + std::to_string(t.game.state().score) + ",Tester)");
    EXPECT_EQ(tally.back(), "checkchange(2," + std::to_string(t.game.lastRound()) + ")");
}

TEST(WholeGame, FromStartGameToGameOverTwice) {
    Table t(20240601);
    const Result r = play(t, 150);
    const GameState& s = t.game.state();
    ASSERT_FALSE(s.gamerunning) << "the game ended";
    EXPECT_GT(r.clicks, 20);
    const auto levelups =
        std::count(t.rec.log.begin(), t.rec.log.end(), std::string("phase levellingUp"));
    EXPECT_GE(levelups, 2);
    EXPECT_EQ(s.round, levelups + 1);
    EXPECT_EQ(r.mismatches, 0) << "the board always shows the grid outside the blink";
    EXPECT_EQ(t.rec.baddraws, 0);
    expectTallyInOrder(t);
    // The score is the sum of the groups' points, as shown.
    EXPECT_GT(s.score, 0);
    EXPECT_EQ(std::accumulate(t.rec.lastscores.begin(), t.rec.lastscores.end(), 0), s.score);
    EXPECT_EQ(t.rec.shown.score, s.score);
    EXPECT_EQ(t.rec.shown.round, s.round);
    EXPECT_EQ(t.rec.shown.phase, GamePhase::over);
    EXPECT_EQ(t.rec.sounds.front(), "startgame");
    EXPECT_EQ(t.rec.sounds.back(), "gameover");

    t.rec.clearLogs();
    const Result second = play(t, 300);
    EXPECT_FALSE(s.gamerunning);
    expectTallyInOrder(t);
    EXPECT_EQ(second.mismatches, 0);
}

TEST(WholeGame, TheSameSeedPlaysTheSameGame) {
    Table a(77), b(77), c(78);
    play(a, 200);
    play(b, 200);
    play(c, 200);
    EXPECT_EQ(a.rec.log, b.rec.log);
    EXPECT_EQ(a.clock.now(), b.clock.now());
    EXPECT_NE(a.rec.log, c.rec.log);
}

} // namespace
