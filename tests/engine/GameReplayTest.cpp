// Games recorded on a ticket and played again from the record: the same steps, the same end;
// a record changed in any way no longer matches, and impossible records are refused; played for
// watching, a record shows the same.

#include "engine/GameReplay.h"
#include "engine/GameRecorder.h"
#include "engine/ReplayPlayback.h"
#include "engine/Ticket.h"
#include "tests/support/LargestGroup.h"
#include "tests/support/Recorder.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string ticket = "1.0123456789abcdef0123456789abcdef.00000000075bcd15.1796601600."
                           "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

// A game window's engine with its recorder; every game takes the ticket while there is one.
struct RecordedTable {
    RecordedTable() {
        game.setSounds(&rec);
        game.setTally(&rec);
        game.setObserver(&recorder);
        recorder.setTickets([this] {
            auto line = next;
            next.reset();
            return line;
        });
    }
    // Plays to game over, clicking the largest group `think` ms after the field is ready, and
    // pausing for `pauseFor` ms once the game has run for each of the given times.
    void play(int think, std::vector<std::int64_t> pauses = {}, int pauseFor = 0) {
        GameState& s = game.state();
        game.button_startClick("Tester");
        const std::int64_t start = clock.now();
        std::int64_t readySince = -1;
        std::size_t nextPause = 0;
        while (s.gamerunning && clock.now() - start < 3'600'000) {
            clock.advance(10);
            if (nextPause < pauses.size() && clock.now() - start >= pauses[nextPause]) {
                ++nextPause;
                game.button_pauseClick();
                clock.advance(pauseFor);
                game.button_pauseClick();
            }
            if (!(s.gamerunning && s.linesettled && !s.removing && !s.blinking && !s.paused)) {
                readySince = -1;
                continue;
            }
            if (readySince < 0) {
                readySince = clock.now();
            }
            if (clock.now() - readySince >= think) {
                if (const auto g = testsupport::largestGroup(s); g.size > 0) {
                    atClicks.push_back(s);
                    game.boardMouseUp(MouseButton::left, 0, (g.c - 1) * 32 + 3,
                                      (g.r - 1) * 32 + 30);
                }
            }
        }
    }

    std::vector<GameState> atClicks; // the game as it stood at each click
    std::optional<std::string> next = ticket;
    VirtualClock clock;
    SeededRandom random{99};
    Recorder rec;
    Game game{rec, rec, clock, random};
    GameRecorder recorder{game, clock, random};
};

std::vector<std::string> steps(const Recorder& rec) {
    // What the player sees and hears; a replay's game starts for no one.
    return rec.only({"draw", "sound", "phase", "paused", "unpaused", "round", "untilnext", "score",
                     "cleared", "lastscore", "scored"});
}

TEST(GameReplay, ARecordedGameReplaysStepByStepToItsEnd) {
    RecordedTable t;
    // A game before the ticketed one: its grid of removal steps began long before the next
    // START GAME, and its flowers came from the local seed.
    t.next.reset();
    t.play(120);
    EXPECT_FALSE(t.recorder.finished()) << "a game without a ticket is not recorded";
    t.clock.advance(12'345);
    t.next = ticket;
    t.rec.clearLogs();
    t.play(150, {5'000, 20'000, 20'730}, 1'235);
    ASSERT_FALSE(t.game.state().gamerunning);
    ASSERT_TRUE(t.recorder.finished());
    const GameRecord record = *t.recorder.finished();
    EXPECT_EQ(record.ticket, ticket);
    EXPECT_EQ(record.score, t.game.state().score);
    EXPECT_GE(record.lastRound, 2);
    const auto pauses = std::count_if(record.events.begin(), record.events.end(),
                                      [](auto& e) { return e.kind != RecordedEvent::Kind::click; });
    EXPECT_EQ(pauses, 6);
    EXPECT_GT(record.events.size(), 30U);

    Recorder again;
    const ReplayResult result =
        replayGame(record, parseTicket(ticket)->seed, defaultMaxReplayMs, {&again, &again, &again});
    EXPECT_TRUE(result.matches) << result.refusal;
    EXPECT_EQ(result.refusal, "");
    EXPECT_EQ(result.score, record.score);
    EXPECT_EQ(result.endedAt, record.endedAt);
    EXPECT_EQ(steps(again), steps(t.rec)) << "every draw, sound and display, in order";

    // Played for watching, step by step or in one stride, it shows the same and ends as
    // recorded.
    // What the player sees (a watch plays no sounds).
    const auto shown = [](const Recorder& r) {
        return r.only({"draw", "phase", "paused", "unpaused", "round", "untilnext", "score",
                       "cleared", "lastscore", "scored"});
    };
    Recorder stepped;
    ReplayPlayback byStep(record, parseTicket(ticket)->seed, stepped, stepped);
    int moves = 0;
    while (byStep.step()) {
        ++moves;
    }
    EXPECT_GT(moves, 100);
    EXPECT_TRUE(byStep.finished());
    EXPECT_EQ(byStep.now(), record.endedAt);
    EXPECT_EQ(byStep.game().state().score, record.score);
    EXPECT_EQ(shown(stepped), shown(again));
    Recorder strode;
    ReplayPlayback inOne(record, parseTicket(ticket)->seed, strode, strode);
    inOne.advanceTo(record.endedAt + 60'000);
    EXPECT_TRUE(inOne.finished());
    EXPECT_EQ(shown(strode), shown(again));

    // The record as text replays the same; another seed does not.
    EXPECT_TRUE(replayGame(*readRecord(writeRecord(record)), parseTicket(ticket)->seed).matches);
    EXPECT_FALSE(replayGame(record, 99).matches);

    // A game cut short by START GAME leaves no record.
    t.next = ticket;
    t.game.button_startClick("Tester");
    EXPECT_TRUE(t.recorder.recording());
    t.game.button_startClick("Tester");
    EXPECT_FALSE(t.recorder.recording());
    EXPECT_FALSE(t.recorder.finished());
}

TEST(GameReplay, AnyChangeToARecordIsFoundOut) {
    RecordedTable t;
    t.play(150);
    const GameRecord record = *t.recorder.finished();
    const std::uint64_t seed = parseTicket(ticket)->seed;
    ASSERT_TRUE(replayGame(record, seed).matches);

    // The first click moved to a neighbouring flower of another colour.
    GameRecord moved = record;
    RecordedEvent& click = moved.events.at(0);
    const GameState& before = t.atClicks.at(0);
    const int colour = before.cells[click.column][click.row];
    const int other = click.row > 1 && before.cells[click.column][click.row - 1] != colour ? -1 : 1;
    ASSERT_NE(before.cells[click.column][click.row + other], colour);
    click.row += other;
    EXPECT_FALSE(replayGame(moved, seed).matches) << "a click moved by one cell";

    GameRecord later = record;
    for (std::size_t i = 1; i < later.events.size(); ++i) {
        later.events[i].at += 10;
    }
    EXPECT_FALSE(replayGame(later, seed).matches) << "the clicks after the first, 10 ms later";

    GameRecord richer = record;
    ++richer.score;
    const ReplayResult r = replayGame(richer, seed);
    EXPECT_FALSE(r.matches);
    EXPECT_EQ(r.score, record.score);
    EXPECT_EQ(r.refusal, "the game ends with another score");

    GameRecord longer = record;
    longer.endedAt += 10;
    EXPECT_FALSE(replayGame(longer, seed).matches);
}

TEST(GameReplay, RefusesRecordsNoGameCouldLeave) {
    RecordedTable t;
    t.play(150);
    const GameRecord record = *t.recorder.finished();
    const std::uint64_t seed = parseTicket(ticket)->seed;
    const auto refusal = [&](auto&& change) {
        GameRecord r = record;
        change(r);
        const ReplayResult result = replayGame(r, seed);
        EXPECT_FALSE(result.matches);
        return result.refusal;
    };
    EXPECT_EQ(refusal([](GameRecord& r) { std::swap(r.events.at(0), r.events.at(1)); }),
              "events out of order");
    EXPECT_EQ(refusal([](GameRecord& r) {
                  r.events.push_back({RecordedEvent::Kind::click, r.endedAt + 10, 1, 10});
              }),
              "an event after game over");
    EXPECT_EQ(refusal([](GameRecord& r) { r.events.at(0).row = 11; }), "a click off the field");
    EXPECT_EQ(refusal([](GameRecord& r) {
                  r.events.insert(r.events.begin(), {RecordedEvent::Kind::resume, 0, 0, 0});
              }),
              "a resume while not paused");
    EXPECT_EQ(refusal([](GameRecord& r) {
                  r.events.insert(r.events.begin(), 2, {RecordedEvent::Kind::pause, 0, 0, 0});
              }),
              "a pause while paused");
    EXPECT_EQ(replayGame(record, seed, 1'000).refusal, "an event after the longest game replayed");
    // Paused for good: no line ever drops again, and the replay gives up at its bound.
    GameRecord paused = record;
    paused.events.insert(paused.events.begin(), {RecordedEvent::Kind::pause, 0, 0, 0});
    EXPECT_EQ(replayGame(paused, seed, 600'000).refusal, "the game does not end");
}

} // namespace
