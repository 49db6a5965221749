// Whole games on the virtual clock, from START GAME to game over, played by a simple player
// that clicks the largest group it sees.

#include "EngineFixture.h"

#include <numeric>

namespace {

struct Table {
    explicit Table(std::uint64_t seed) : random(seed) {
        game.setsounds(&rec);
        game.settally(&rec);
    }
    VirtualClock clock;
    SeededRandom random;
    Recorder rec;
    Game game{rec, rec, clock, random};
};

// The largest group of two or more on the field: its size and one cell of it.
struct Group {
    int size = 0, c = 0, r = 0;
};

Group largestgroup(const GameState& s) {
    Group best;
    bool seen[12][11] = {};
    for (int c = 1; c <= 10; ++c) {
        for (int r = 1; r <= 10; ++r) {
            const int v = s.cells[c][r];
            if (v == 0 || seen[c][r]) {
                continue;
            }
            int size = 0;
            std::vector<std::pair<int, int>> stack{{c, r}};
            seen[c][r] = true;
            while (!stack.empty()) {
                auto [x, y] = stack.back();
                stack.pop_back();
                ++size;
                const int next[4][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
                for (const auto& n : next) {
                    if (n[0] >= 1 && n[0] <= 10 && n[1] >= 1 && n[1] <= 10 && !seen[n[0]][n[1]] &&
                        s.cells[n[0]][n[1]] == v) {
                        seen[n[0]][n[1]] = true;
                        stack.push_back({n[0], n[1]});
                    }
                }
            }
            if (size >= 2 && size > best.size) {
                best = {size, c, r};
            }
        }
    }
    return best;
}

struct Result {
    std::vector<std::string> log;
    int clicks = 0;
    int levelups = 0;
    int mismatches = 0; // ticks after which the board did not show the grid
    std::int64_t ms = 0;
};

// Plays until game over; the player thinks `think` ms before each click.
Result play(Table& t, int think) {
    Result result;
    GameState& s = t.game.state();
    t.game.button_startClick();
    std::int64_t readysince = -1;
    while (s.gamerunning && t.clock.now() < 3'600'000) {
        t.clock.advance(10);
        if (!s.blinking && !s.blinkhidden) {
            for (int c = 1; c <= 10; ++c) {
                for (int r = 1; r <= 10; ++r) {
                    result.mismatches += t.rec.screen[c][r] != s.cells[c][r] ? 1 : 0;
                }
            }
        }
        const bool ready = s.gamerunning && s.linesettled && !s.removing && !s.blinking;
        if (!ready) {
            readysince = -1;
            continue;
        }
        if (readysince < 0) {
            readysince = t.clock.now();
        }
        if (t.clock.now() - readysince < think) {
            continue;
        }
        const Group g = largestgroup(s);
        if (g.size > 0) {
            t.game.boardMouseUp((g.c - 1) * 32 + 7, (g.r - 1) * 32 + 25);
            ++result.clicks;
        }
    }
    result.log = t.rec.log;
    result.ms = t.clock.now();
    for (const auto& status : t.rec.statuses) {
        result.levelups += status == "LEVEL UP!" ? 1 : 0;
    }
    return result;
}

TEST(WholeGame, FromStartGameToGameOver) {
    Table t(20240601);
    const Result r = play(t, 150);
    const GameState& s = t.game.state();
    ASSERT_FALSE(s.gamerunning) << "the game ended";
    EXPECT_GT(r.clicks, 20);
    EXPECT_GE(r.levelups, 2);
    EXPECT_EQ(s.round, r.levelups + 1);
    EXPECT_EQ(r.mismatches, 0) << "the board always shows the grid outside the blink";
    EXPECT_EQ(t.rec.baddraws, 0);

    // The tally hears of the game's start, of each emptied board, then of its end, in order.
    const auto& tally = t.rec.tally;
    ASSERT_GE(tally.size(), 3U);
    EXPECT_EQ(tally.front(), "addtomineincrease(1)");
    for (size_t i = 1; i + 2 < tally.size(); ++i) {
        EXPECT_EQ(tally[i], "addtomineincrease(3)");
    }
    EXPECT_EQ(tally[tally.size() - 2], "checkscore(" + std::to_string(s.score) + ",Tester)");
    EXPECT_EQ(tally.back(), "checkchange(2," + std::to_string(t.game.lastround()) + ")");

    // The score is the sum of the groups' points, as shown.
    EXPECT_GT(s.score, 0);
    EXPECT_EQ(std::accumulate(t.rec.lastscores.begin(), t.rec.lastscores.end(), 0), s.score);
    EXPECT_EQ(t.rec.text(Component::label_score), std::to_string(s.score));
    EXPECT_EQ(t.rec.text(Component::label_round), std::to_string(s.round));
    EXPECT_TRUE(t.rec.isshown(Component::panel_cleared));
    EXPECT_TRUE(t.rec.isshown(Component::button_sendscore));
    EXPECT_FALSE(t.rec.isenabled(Component::button_pause));
    EXPECT_EQ(t.rec.sounds.front(), "startgame");
    EXPECT_EQ(t.rec.sounds.back(), "gameover");
}

TEST(WholeGame, TheSameSeedPlaysTheSameGame) {
    Table a(77);
    Table b(77);
    Table c(78);
    const Result ra = play(a, 200);
    const Result rb = play(b, 200);
    const Result rc = play(c, 200);
    EXPECT_EQ(ra.log, rb.log);
    EXPECT_EQ(ra.ms, rb.ms);
    EXPECT_NE(ra.log, rc.log);
}

TEST(WholeGame, ASecondGameAfterGameOver) {
    Table t(5);
    play(t, 300);
    t.rec.clearlogs();
    const Result second = play(t, 300);
    EXPECT_FALSE(t.game.state().gamerunning);
    EXPECT_EQ(t.rec.tally.front(), "addtomineincrease(1)");
    EXPECT_EQ(t.rec.tally[t.rec.tally.size() - 2],
              "checkscore(" + std::to_string(t.game.state().score) + ",Tester)");
    EXPECT_EQ(second.mismatches, 0);
}

} // namespace
