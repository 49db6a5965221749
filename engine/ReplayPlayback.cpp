#include "engine/ReplayPlayback.h"

#include "engine/GameReplay.h"

#include <algorithm>

ReplayPlayback::ReplayPlayback(GameRecord record, std::uint64_t seed, BoardSurface& board,
                               GameDisplay& display)
    : m_record(std::move(record)), m_random(seed), m_game(board, display, m_clock, m_random) {
    m_game.button_startClick({});
}

std::optional<std::int64_t> ReplayPlayback::nextDue() const {
    if (!m_game.state().gamerunning) {
        return std::nullopt;
    }
    std::optional<std::int64_t> due = m_clock.nextDue();
    if (m_next < m_record.events.size()) {
        const std::int64_t at = std::max(m_record.events[m_next].at, m_clock.now());
        due = due ? std::min(*due, at) : at;
    }
    return due;
}

void ReplayPlayback::advanceTo(std::int64_t at) {
    // An input due at the same moment as a tick comes after it, as in replayGame, where the
    // clock is advanced to the input's time before the input is made.
    while (m_next < m_record.events.size() && m_record.events[m_next].at <= at &&
           m_game.state().gamerunning) {
        const RecordedEvent& event = m_record.events[m_next++];
        m_clock.advanceTo(event.at);
        if (m_game.state().gamerunning) {
            give(event);
        }
    }
    m_clock.advanceTo(at);
}

bool ReplayPlayback::step() {
    const std::optional<std::int64_t> due = nextDue();
    if (!due) {
        return false;
    }
    advanceTo(*due);
    return true;
}

void ReplayPlayback::give(const RecordedEvent& event) {
    // A record is watched only once replayGame has found it sound, so nothing is refused here;
    // an input that could not be made is passed over.
    giveRecordedEvent(m_game, event);
}
