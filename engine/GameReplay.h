#pragma once

// Plays a recorded game again on a clock of its own, to see whether it ends as recorded.

#include "engine/BoardSurface.h"
#include "engine/GameDisplay.h"
#include "engine/GameRecord.h"
#include "engine/SoundCalls.h"

#include <cstdint>
#include <string>

struct ReplayResult {
    bool matches = false; // the game ended exactly at endedAt with the recorded score and round
    int score = 0;        // as the replay ended (or stood when it was given up)
    int lastRound = 0;
    std::int64_t endedAt = 0; // clock ms of the replay's game over, 0 when it never came
    std::string refusal;      // why it does not match; empty when it does
};

// Where a replay shows its game; nothing is shown where none is given.
struct ReplayOutputs {
    BoardSurface* board = nullptr;
    GameDisplay* display = nullptr;
    SoundCalls* sounds = nullptr;
};

class Game;

// Makes one recorded input on the game as the player made it: a click as a mouse release on the
// middle of its cell, a pause and a resume as the buttons. Returns why it cannot be made (a cell
// off the field, a pause while paused, a resume while not), and then makes nothing; null when
// made.
const char* giveRecordedEvent(Game& game, const RecordedEvent& event);

// A day of play: a record whose game runs longer is refused.
inline constexpr std::int64_t defaultMaxReplayMs = 24LL * 60 * 60 * 1000;

// START GAME at clock 0 with SeededRandom(seed) on a fresh EngineClock; each event after the
// clock has been advanced to its time (a click as a mouse release on the middle of its cell,
// a pause and a resume as the buttons), then on to game over. Refused: events out of order or
// after game over, cells off the field, a pause while paused or a resume while not, and a game
// that does not end by maxClockMs. The work is bounded by the events and maxClockMs.
ReplayResult replayGame(const GameRecord& record, std::uint64_t seed,
                        std::int64_t maxClockMs = defaultMaxReplayMs,
                        const ReplayOutputs& outputs = {});
