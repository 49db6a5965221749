// A game on the virtual clock: start, lines, scoring, rounds, level-up, game over, pausing.

#include "tests/engine/EngineFixture.h"

#include <set>
#include <tuple>

namespace {

using GameFlow = EngineTest;

bool entryRowEmpty(const GameState& s) {
    for (int c = 0; c < Board::columns; ++c) {
        if (s.cells[c][0] != 0) {
            return false;
        }
    }
    return true;
}

TEST_F(GameFlow, StartGameSetsUpRowsNineAndTenAndRoundOne) {
    game.button_startClick("Tester");
    for (int c = 1; c <= 10; ++c) {
        for (int r = 0; r <= 10; ++r) {
            const int v = s().cells[c][r];
            EXPECT_TRUE(r >= 9 ? v >= 1 && v <= 3 : v == 0) << c << "," << r;
        }
    }
    EXPECT_TRUE(s().gamerunning);
    EXPECT_TRUE(s().linesettled);
    EXPECT_EQ(s().round, 1);
    EXPECT_EQ(s().colorcount, 3);
    EXPECT_EQ(game.timerdroprate().interval(), 3000);
    EXPECT_TRUE(game.timerdroprate().running());
    EXPECT_TRUE(game.timerremove().running());
    EXPECT_FALSE(game.timerdrop().running());
    EXPECT_FALSE(game.timerblink().running());
    EXPECT_TRUE(screenShowsGrid());

    // What the window learns, in order: the game runs, unpaused, is counted, sounds, starts for
    // its player with every counter at 0, then round 1 with 100 flowers to go.
    const std::vector<std::string> expected = {
        "phase running",   "unpaused",       "tally addtomineincrease(1)",
        "sound startgame", "started Tester", "round 0",
        "score 0",         "cleared 0",      "lastscore 0",
        "round 1",         "untilnext 100"};
    EXPECT_EQ(rec.only({"phase", "paused", "unpaused", "tally", "sound", "started", "round",
                        "untilnext", "score ", "cleared", "lastscore"}),
              expected);
}

TEST_F(GameFlow, TheGameStartsForTheNameHandedToStartAndTalliesTheNameItEndsUnder) {
    game.button_startClick("");
    EXPECT_EQ(rec.shown.player, "") << "an empty name is a name too";
    game.button_startClick("Ann");
    EXPECT_EQ(rec.shown.player, "Ann");
    s().score = 42;
    game.endgame();
    EXPECT_EQ(rec.tally.back(), "checkchange(2,1)");
    EXPECT_EQ(rec.tally[rec.tally.size() - 2], "checkscore(42,Ann)")
        << "the score goes to the tally under the name its game started for";

    game.button_startClick("Ann");
    game.playerRenamed("Bea");
    EXPECT_EQ(rec.shown.player, "Ann") << "the greeting stays with the name the game began for";
    s().score = 7;
    game.endgame();
    EXPECT_EQ(rec.tally[rec.tally.size() - 2], "checkscore(7,Bea)")
        << "a name changed during the game is the one the tally gets, as the field reads at the "
           "end";
}

TEST_F(GameFlow, TheFirstLineEntersThreeSecondsAfterStart) {
    game.button_startClick("Tester");
    clock.advance(2990);
    EXPECT_TRUE(s().linesettled);
    EXPECT_TRUE(entryRowEmpty(s()));
    clock.advance(10);
    EXPECT_FALSE(s().linesettled);
    EXPECT_EQ(s().dropstep, 0);
    EXPECT_TRUE(game.timerdrop().running());
    for (int c = 1; c <= 10; ++c) {
        EXPECT_TRUE(s().cells[c][0] >= 1 && s().cells[c][0] <= 3) << c;
    }
}

TEST_F(GameFlow, ALineFallsOneRowPerTickDrawingOnlyWhatMoves) {
    startWith(bottom({"1212121212", "2121212121"}));
    clock.advance(3000);
    const auto line = s().cells; // the entry row holds the new line
    rec.clearLogs();
    for (int step = 1; step <= 8; ++step) {
        const auto before = s().cells;
        tick();
        EXPECT_EQ(s().dropstep, step);
        std::set<std::tuple<int, int, int>> changed, drawn;
        for (int c = 1; c <= 10; ++c) {
            for (int r = 1; r <= 10; ++r) {
                if (s().cells[c][r] != before[c][r]) {
                    changed.insert({c, r, s().cells[c][r]});
                }
            }
        }
        for (const Draw& d : rec.draws) {
            drawn.insert({d.c, d.r, d.t});
        }
        EXPECT_EQ(drawn, changed) << "step " << step;
        EXPECT_EQ(rec.draws.size(), changed.size()) << "no cell drawn twice";
        EXPECT_EQ(changed.size(), step == 1 ? 10U : 20U);
        rec.clearLogs();
    }
    for (int c = 1; c <= 10; ++c) {
        EXPECT_EQ(s().cells[c][8], line[c][0]);
    }
    EXPECT_FALSE(s().linesettled);
    tick(); // step 9 finds every column resting on row 9
    EXPECT_TRUE(s().linesettled);
    EXPECT_FALSE(game.timerdrop().running());
    EXPECT_TRUE(rec.draws.empty());
    EXPECT_EQ(rec.sounds, std::vector<std::string>{"drop"});
    EXPECT_TRUE(entryRowEmpty(s()));
}

TEST_F(GameFlow, ALineOnAnEmptyFieldSettlesOnRowTenAtStepTen) {
    startWith(emptyboard);
    clock.advance(3000 + 90);
    EXPECT_FALSE(s().linesettled);
    tick();
    EXPECT_TRUE(s().linesettled);
    EXPECT_EQ(s().dropstep, 10);
    for (int c = 1; c <= 10; ++c) {
        EXPECT_NE(s().cells[c][10], 0);
    }
}

TEST_F(GameFlow, OverflowEndsTheGameAndTheFlowerLeftAboveIsNeverDrawn) {
    startWith({"..1.......", "..2.......", "..1.......", "..2.......", "..1.......", "..2.......",
               "..1.......", "..2.......", "..1.......", "..2......."});
    clock.advance(3000 + 90);
    EXPECT_TRUE(s().gamerunning);
    tick(); // step 10: every column settled, column 3's flower still in the entry row
    EXPECT_FALSE(s().gamerunning);
    EXPECT_FALSE(s().linesettled);
    EXPECT_NE(s().cells[3][0], 0);
    EXPECT_EQ(rec.baddraws, 0) << "nothing drawn outside the field";
    EXPECT_TRUE(screenShowsGrid());
    const std::vector<std::string> steps = {"tally checkscore(0,Tester)", "tally checkchange(2,1)",
                                            "phase over", "sound gameover"};
    EXPECT_EQ(rec.only({"tally", "phase", "paused", "unpaused", "sound"}), steps);
    for (GameTimer* t :
         {&game.timerdrop(), &game.timerdroprate(), &game.timerremove(), &game.timerblink()}) {
        EXPECT_FALSE(t->running());
    }
    // The final position stays; nothing more happens.
    rec.clearLogs();
    const auto final = board();
    clock.advance(60000);
    EXPECT_TRUE(rec.log.empty());
    EXPECT_EQ(board(), final);
    EXPECT_EQ(s().score, 0);
}

TEST_F(GameFlow, ANewGameShowsScoreZeroAfterAHighScore) {
    game.button_startClick("Tester");
    s().score = 123456;
    game.endgame();
    game.button_startClick("Tester");
    EXPECT_EQ(s().score, 0);
    EXPECT_EQ(rec.shown.score, 0);
    EXPECT_FALSE((rec.shown.phase == GamePhase::over));
}

// Scoring: the group's points are size x factor x round, plus 100 x round for an empty field.
struct ScoreCase {
    const char* name;
    int round;
    std::vector<std::string> rows;
    int c, r, size, points;
    bool emptied;
};

class Scoring : public EngineTest, public ::testing::WithParamInterface<ScoreCase> {};

TEST_P(Scoring, ScoresTheGroup) {
    const ScoreCase& k = GetParam();
    startWith(k.rows);
    s().round = k.round;
    s().score = 1000;
    click(k.c, k.r);
    ASSERT_TRUE(s().removing);
    EXPECT_EQ(removeGroup(), k.size);
    EXPECT_EQ(s().score, 1000 + k.points);
    EXPECT_EQ(s().groupcount, 0);
    EXPECT_EQ(game.checkforempty(), k.emptied);
    // The facts in their order: score, group size, points, then the group scored.
    const auto points = std::to_string(k.points);
    EXPECT_EQ(rec.only({"score", "cleared", "lastscore"}),
              (std::vector<std::string>{"score " + std::to_string(1000 + k.points),
                                        "cleared " + std::to_string(k.size), "lastscore " + points,
                                        "scored " + points}));
    using Names = std::vector<std::string>;
    EXPECT_EQ(rec.sounds, (k.emptied ? Names{"clear", "clearedall"} : Names{"clear"}));
    EXPECT_EQ(rec.tally, k.emptied ? Names{"addtomineincrease(3)"} : Names{});
    EXPECT_TRUE(screenShowsGrid());
}

const std::vector<std::string> fortyfive = {"..........", "..........", "..........", "..........",
                                            "..........", "2222211111", "1111111111", "1111111111",
                                            "1111111111", "1111111111"};

INSTANTIATE_TEST_SUITE_P(
    Examples, Scoring,
    ::testing::Values(ScoreCase{"TwoInRoundOne", 1, bottom({"1123232323"}), 1, 10, 2, 2, false},
                      ScoreCase{"FiveInRoundThree", 3, bottom({"2222233333"}), 1, 10, 5, 30, false},
                      ScoreCase{"TwelveInRoundTwo", 2, bottom({"4444445555", "4444445555"}), 3, 9,
                                12, 96, false},
                      ScoreCase{"FortyFiveInRoundOne", 1, fortyfive, 10, 10, 45, 450, false},
                      ScoreCase{"SixEmptyingTheFieldInRoundFour", 4,
                                bottom({"666.......", "666......."}), 2, 10, 6, 448, true},
                      ScoreCase{"EmptyingTheFieldInRoundFiveAddsFiveHundred", 5,
                                bottom({"....55...."}), 6, 10, 2, 510, true}),
    [](const auto& info) { return info.param.name; });

TEST_F(GameFlow, TheRoundTable) {
    game.button_startClick("Tester");
    struct Row {
        int colours, interval;
    };
    const Row table[] = {{3, 3000}, {3, 2000}, {4, 4000}, {4, 3000}, {4, 2000}, {5, 4000},
                         {5, 3000}, {5, 2000}, {6, 4000}, {6, 3000}, {6, 2000}, {6, 1000}};
    for (int round = 1; round <= 29; ++round) {
        if (round > 1) {
            game.startround();
        }
        ASSERT_EQ(s().round, round);
        const Row want = round <= 12 ? table[round - 1] : Row{6, 500};
        EXPECT_EQ(s().colorcount, want.colours) << "round " << round;
        EXPECT_EQ(game.timerdroprate().interval(), want.interval) << "round " << round;
        EXPECT_EQ(rec.shown.round, round);
        EXPECT_TRUE(s().gamerunning);
    }
    rec.clearLogs();
    game.startround(); // reaching round 30 ends the game
    EXPECT_FALSE(s().gamerunning);
    EXPECT_EQ(s().round, 30);
    EXPECT_EQ(game.lastRound(), 29);
    EXPECT_EQ(rec.tally, (std::vector<std::string>{"checkscore(0,Tester)", "checkchange(2,29)"}));
    EXPECT_TRUE((rec.shown.phase == GamePhase::over));
    EXPECT_FALSE(game.timerdroprate().running());
    EXPECT_EQ(rec.log.back(), "round 30") << "shown after the game-over steps";
}

// A new interval restarts the drop countdown (round 13: 1000 ms becomes 500 ms); the same
// interval lets it run on (round 14), and then a line drops every 500 ms.
TEST_F(GameFlow, ARoundRestartsTheDropCountdownOnlyWhenTheIntervalChanges) {
    for (auto [round, due] : {std::pair{13, 500}, {14, 200}}) {
        game.button_startClick("Tester");
        while (s().round < round - 1) {
            game.startround();
        }
        clock.advance(300);
        game.startround();
        ASSERT_EQ(s().round, round);
        clock.advance(due - 10);
        EXPECT_TRUE(s().linesettled) << round;
        clock.advance(10);
        EXPECT_FALSE(s().linesettled) << round;
    }
    clock.advance(100);
    EXPECT_TRUE(s().linesettled);
    clock.advance(390);
    EXPECT_TRUE(s().linesettled);
    clock.advance(10);
    EXPECT_FALSE(s().linesettled);
}

// A board that no line overflows soon, with a 2 x 2 block of colour 4 at columns 1-2.
const std::vector<std::string> blockboard = bottom({"4412121212", "4421212121"});

TEST_F(GameFlow, LevelUpComesAtTheEndOfTheGroupWithoutCarryOver) {
    startWith(blockboard);
    s().levelcleared = 98;
    click(1, 9);
    tick();
    tick();
    EXPECT_EQ(s().levelcleared, 100) << "the 100th flower falls inside the group";
    EXPECT_EQ(rec.shown.untilNextLevel, 0);
    EXPECT_FALSE(game.timerblink().running());
    EXPECT_TRUE(s().removing);
    tick();
    EXPECT_EQ(rec.shown.untilNextLevel, 0) << "below zero shows 0";
    EXPECT_EQ(s().untilnextlevel, -1);
    tick();
    EXPECT_FALSE(s().removing);
    EXPECT_EQ(s().levelcleared, 0) << "no flowers carried over";
    EXPECT_EQ(rec.only({"scored", "phase"}),
              (std::vector<std::string>{"scored 8", "phase levellingUp"}));
    EXPECT_EQ(rec.sounds, (std::vector<std::string>{"clear", "levelup"}));
    EXPECT_FALSE(s().linesettled);
    EXPECT_EQ(s().blinkticks, 10);
    EXPECT_TRUE(game.timerblink().running());
    EXPECT_FALSE(s().blinking) << "set by the first blink tick";
    EXPECT_EQ(s().round, 1);
}

TEST_F(GameFlow, TheBlinkShowsBlankAndFullFiveTimesThenStartsTheNextRound) {
    startWith(blockboard);
    s().levelcleared = 96;
    click(1, 9);
    removeGroup();
    ASSERT_TRUE(game.timerblink().running());
    rec.clearLogs();
    for (int blink = 1; blink <= 10; ++blink) {
        clock.advance(200);
        EXPECT_EQ(s().blinkticks, 10 - blink);
        if (blink < 10) {
            EXPECT_TRUE(s().blinking);
            EXPECT_EQ(s().blinkhidden, blink % 2 == 1);
            EXPECT_TRUE(blink % 2 == 1 ? screenBlank() : screenShowsGrid()) << blink;
        }
        EXPECT_EQ(rec.draws.size(), 100U) << "a blink tick draws the whole field";
        rec.draws.clear();
    }
    EXPECT_FALSE(game.timerblink().running());
    EXPECT_FALSE(s().blinking);
    EXPECT_FALSE(s().blinkhidden);
    EXPECT_TRUE(screenShowsGrid());
    EXPECT_EQ(s().round, 2);
    EXPECT_TRUE(s().linesettled);
    EXPECT_EQ(rec.shown.round, 2);
    EXPECT_EQ(game.timerdroprate().interval(), 2000);
}

TEST_F(GameFlow, LevelUpSoundsAfterClearAndClearedAll) {
    startWith(bottom({"....33...."}));
    s().levelcleared = 99;
    click(5, 10);
    removeGroup();
    EXPECT_EQ(rec.sounds, (std::vector<std::string>{"clear", "clearedall", "levelup"}));
}

TEST_F(GameFlow, CompletingRoundTwentyNineEndsTheGame) {
    startWith(blockboard);
    while (s().round < 29) {
        game.startround();
    }
    s().levelcleared = 99;
    click(1, 9);
    removeGroup();
    EXPECT_EQ(rec.shown.lastScore, 4 * 2 * 29);
    rec.clearLogs();
    clock.advance(2000);
    EXPECT_FALSE(s().gamerunning);
    EXPECT_EQ(rec.shown.round, 30);
    EXPECT_EQ(rec.tally,
              (std::vector<std::string>{"checkscore(" + std::to_string(s().score) + ",Tester)",
                                        "checkchange(2,29)"}));
    EXPECT_TRUE(screenShowsGrid()) << "the final position stays on the board";
}

TEST_F(GameFlow, PauseTogglesAndResumeOnThePanelEndsIt) {
    game.button_startClick("Tester");
    for (bool onpanel : {false, true}) {
        game.button_pauseClick();
        EXPECT_TRUE(s().paused);
        EXPECT_TRUE(rec.shown.paused);
        onpanel ? game.button_resumeClick() : game.button_pauseClick();
        EXPECT_FALSE(s().paused);
        EXPECT_FALSE(rec.shown.paused);
    }
}

TEST_F(GameFlow, NoLineDropsWhilePaused) {
    game.button_startClick("Tester");
    clock.advance(1000);
    game.button_pauseClick();
    clock.advance(9000);
    EXPECT_TRUE(s().linesettled);
    EXPECT_TRUE(entryRowEmpty(s()));
    game.button_pauseClick();
    // The drop-rate ticks at 3000, 6000 and 9000 were skipped; the next one drops.
    clock.advance(1990);
    EXPECT_TRUE(s().linesettled);
    clock.advance(10);
    EXPECT_FALSE(s().linesettled);
}

TEST_F(GameFlow, ALineAlreadyFallingFinishesWhilePaused) {
    startWith(bottom({"1212121212", "2121212121"}));
    clock.advance(3020);
    game.button_pauseClick();
    clock.advance(100);
    EXPECT_TRUE(s().linesettled);
    for (int c = 1; c <= 10; ++c) {
        EXPECT_NE(s().cells[c][8], 0);
    }
    EXPECT_EQ(rec.sounds, std::vector<std::string>{"drop"});
}

TEST_F(GameFlow, AGroupInProgressIsScoredWithoutClearWhilePaused) {
    startWith(blockboard);
    click(1, 9);
    tick();
    game.button_pauseClick();
    removeGroup();
    EXPECT_EQ(rec.shown.lastScore, 8);
    EXPECT_EQ(s().score, 8);
    EXPECT_TRUE(rec.sounds.empty());
}

TEST_F(GameFlow, TheBlinkRunsOnWhilePaused) {
    startWith(blockboard);
    s().levelcleared = 97;
    click(1, 9);
    removeGroup();
    game.button_pauseClick();
    clock.advance(2000);
    EXPECT_EQ(s().round, 2);
    EXPECT_TRUE(s().paused);
    EXPECT_TRUE(rec.shown.paused);
}

} // namespace
