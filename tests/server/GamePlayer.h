#pragma once

// A player for the server's tests and benchmarks: plays a whole game on a ticket with the game's
// own engine on its clock, recorded as the game records it, so the server can replay it. Plain
// C++ (no Qt), header only (as are the stand-ins it uses), so the benchmarks share it without the
// test libraries.

#include "engine/EngineClock.h"
#include "engine/Game.h"
#include "engine/GameRecord.h"
#include "engine/GameRecorder.h"
#include "engine/GameRules.h"
#include "engine/RandomSource.h"
#include "tests/support/Fakes.h"
#include "tests/support/LargestGroup.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace gameplayer {

// How the player plays: how long it looks at the field between clicks, whether it clicks the
// biggest group (a long game) or the first one it finds (a short one), and when it pauses.
struct Style {
    std::int64_t thinkMs = 300;
    bool biggestGroup = true;
    std::int64_t pauseAt = -1;                    // clock ms of one pause; -1: none
    std::int64_t pauseMs = 0;                     // how long it lasts
    std::int64_t giveUpMs = 4LL * 60 * 60 * 1000; // a game still running then is left
};

namespace detail {

// The cell to click, if a group of two or more stands: one of the biggest group, or the first
// flower found with a same-coloured neighbour.
inline std::optional<std::pair<int, int>> choose(const GameState& s, bool biggest) {
    if (biggest) {
        const testsupport::Group group = testsupport::largestGroup(s);
        return group.size > 0 ? std::optional(std::pair{group.c, group.r}) : std::nullopt;
    }
    for (int c = 1; c <= rules::fieldSize; ++c) {
        for (int r = 1; r <= rules::fieldSize; ++r) {
            if (s.cells[c][r] != 0 && s.cells.hasPartner(c, r)) {
                return std::pair{c, r};
            }
        }
    }
    return std::nullopt;
}

} // namespace detail

// Plays one game on `ticket` to its end and returns its record with `name` and `date`; nothing
// when the game was not recorded or did not end by style.giveUpMs.
inline std::optional<GameRecord> play(const std::string& ticket, const std::string& name,
                                      const std::string& date, const Style& style = {}) {
    testsupport::NullBoard board;
    testsupport::NullDisplay display;
    EngineClock clock;
    SeededRandom random(0);
    Game game(board, display, clock, random);
    GameRecorder recorder(game, clock, random);
    std::optional<std::string> unused = ticket;
    recorder.setTickets([&unused] { return std::exchange(unused, std::nullopt); });
    game.setObserver(&recorder);
    game.button_startClick(name);
    const GameState& s = game.state();
    bool paused = false;
    while (s.gamerunning && clock.now() < style.giveUpMs) {
        clock.advance(style.thinkMs);
        if (!s.gamerunning) {
            break;
        }
        if (!paused && style.pauseAt >= 0 && clock.now() >= style.pauseAt) {
            paused = true;
            game.button_pauseClick();
            clock.advance(style.pauseMs);
            game.button_resumeClick();
            continue;
        }
        if (s.blinking || s.removing || !s.linesettled) {
            continue;
        }
        if (const auto cell = detail::choose(s, style.biggestGroup)) {
            game.boardMouseUp(MouseButton::left, ShiftState{},
                              (cell->first - 1) * rules::tilePixels + 16,
                              (cell->second - 1) * rules::tilePixels + 16);
        }
    }
    game.setObserver(nullptr);
    if (!recorder.finished()) {
        return std::nullopt;
    }
    GameRecord record = *recorder.finished();
    record.name = name;
    record.date = date;
    return record;
}

} // namespace gameplayer
