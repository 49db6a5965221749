#pragma once

// A recorded game played again step by step on a clock of its own, for watching: its inputs go
// to the game at their clock times while the caller moves the clock on, at whatever pace it
// likes. It takes no other inputs and tells no tally; whether the record ends as it says is
// replayGame's question, asked before.

#include "engine/BoardSurface.h"
#include "engine/EngineClock.h"
#include "engine/Game.h"
#include "engine/GameDisplay.h"
#include "engine/GameRecord.h"
#include "engine/RandomSource.h"

#include <cstddef>
#include <cstdint>
#include <optional>

class ReplayPlayback {
public:
    // START GAME at clock 0 with SeededRandom(seed), drawing on board and telling display; both
    // must outlive the playback. The record's events must be in order (as replayGame checks).
    ReplayPlayback(GameRecord record, std::uint64_t seed, BoardSurface& board,
                   GameDisplay& display);

    // Moves the clock on to `at` (nothing for a time before now()), giving the game every input
    // due by then at its own time and firing every tick on the way.
    void advanceTo(std::int64_t at);
    // Moves on to the next input or tick, whichever comes first, and makes it; false, without
    // moving, when the game is over.
    bool step();
    // When the next input or tick is due; nothing once the game is over.
    std::optional<std::int64_t> nextDue() const;
    std::int64_t now() const { return m_clock.now(); }
    // The game has ended (or stands still with no input left to give it).
    bool finished() const { return !nextDue(); }

    const Game& game() const { return m_game; }
    // The game, for a board that shows it and repaints from its grid (never for inputs).
    Game& game() { return m_game; }
    // Redraws the whole field from the game's grid (a board shown again).
    void redraw() { m_game.boardPaint(); }

private:
    void give(const RecordedEvent& event);

    GameRecord m_record;
    EngineClock m_clock;
    SeededRandom m_random;
    Game m_game;
    std::size_t m_next = 0; // the next event to give
};
