#include "engine/GameReplay.h"

#include "engine/Board.h"
#include "engine/EngineClock.h"
#include "engine/Game.h"
#include "engine/GameRules.h"
#include "engine/RandomSource.h"

namespace {

class EndWatch : public GameObserver {
public:
    explicit EndWatch(const EngineClock& clock) : m_clock(clock) {}
    void gameEnded() override {
        if (!endedAt) {
            endedAt = m_clock.now();
        }
    }
    std::optional<std::int64_t> endedAt;

private:
    const EngineClock& m_clock;
};

} // namespace

const char* giveRecordedEvent(Game& game, const RecordedEvent& event) {
    const GameState& s = game.state();
    switch (event.kind) {
    case RecordedEvent::Kind::click:
        if (!Board::inField(event.column, event.row)) {
            return "a click off the field";
        }
        game.boardMouseUp(MouseButton::left, 0,
                          (event.column - 1) * rules::tilePixels + rules::tilePixels / 2,
                          (event.row - 1) * rules::tilePixels + rules::tilePixels / 2);
        return nullptr;
    case RecordedEvent::Kind::pause:
        if (s.paused) {
            return "a pause while paused";
        }
        game.button_pauseClick();
        return nullptr;
    case RecordedEvent::Kind::resume:
        if (!s.paused) {
            return "a resume while not paused";
        }
        game.button_resumeClick();
        return nullptr;
    }
    return "an input of no known kind";
}

ReplayResult replayGame(const GameRecord& record, std::uint64_t seed, std::int64_t maxClockMs,
                        const ReplayOutputs& outputs) {
    NoBoard noBoard;
    NoDisplay noDisplay;
    EngineClock clock;
    SeededRandom random(seed);
    Game game(outputs.board != nullptr ? *outputs.board : noBoard,
              outputs.display != nullptr ? *outputs.display : noDisplay, clock, random);
    game.setSounds(outputs.sounds);
    EndWatch watch(clock);
    game.setObserver(&watch);
    const GameState& s = game.state();

    ReplayResult result;
    const auto finish = [&](std::string refusal) {
        result.score = s.score;
        result.lastRound = game.lastRound();
        result.endedAt = watch.endedAt.value_or(0);
        result.refusal = std::move(refusal);
        return result;
    };

    game.button_startClick({}); // a replay's name does not count
    std::int64_t last = 0;
    for (const RecordedEvent& event : record.events) {
        if (event.at < last) {
            return finish("events out of order");
        }
        if (event.at > maxClockMs) {
            return finish("an event after the longest game replayed");
        }
        last = event.at;
        clock.advanceTo(event.at);
        if (!s.gamerunning) {
            return finish("an event after game over");
        }
        if (const char* refusal = giveRecordedEvent(game, event)) {
            return finish(refusal);
        }
    }
    while (s.gamerunning) {
        const std::optional<std::int64_t> due = clock.nextDue();
        if (!due || *due > maxClockMs) {
            return finish("the game does not end");
        }
        clock.advanceTo(*due);
    }
    finish({});
    if (result.endedAt != record.endedAt) {
        result.refusal = "the game ends at another time";
    } else if (result.score != record.score) {
        result.refusal = "the game ends with another score";
    } else if (result.lastRound != record.lastRound) {
        result.refusal = "the game ends in another round";
    } else {
        result.matches = true;
    }
    return result;
}
