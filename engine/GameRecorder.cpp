#include "engine/GameRecorder.h"

#include "engine/Ticket.h"

namespace {
// A game that would pass the record's size is no longer recorded, never cut short.
constexpr std::size_t maxEvents = maxRecordBytes / 16;
} // namespace

GameRecorder::GameRecorder(const Game& game, const EngineClock& clock, SeededRandom& random)
    : m_game(game), m_clock(clock), m_random(random) {}

void GameRecorder::beforeInput() {
    if (m_catchUp) {
        m_catchUp();
    }
}

void GameRecorder::gameStarting() {
    m_recording.reset();
    m_finished.reset();
    std::optional<std::string> line = m_takeTicket ? m_takeTicket() : std::nullopt;
    const std::optional<TicketFields> ticket =
        line ? parseTicket(*line) : std::optional<TicketFields>();
    if (!ticket) {
        return;
    }
    m_random.reseed(ticket->seed);
    m_recording.emplace();
    m_recording->ticket = std::move(*line);
    m_startedAt = m_clock.now();
}

void GameRecorder::add(RecordedEvent::Kind kind, int column, int row) {
    if (!m_recording || !m_game.state().gamerunning) {
        return;
    }
    if (m_recording->events.size() >= maxEvents) {
        m_recording.reset();
        return;
    }
    m_recording->events.push_back({kind, m_clock.now() - m_startedAt, column, row});
}

void GameRecorder::clickAccepted(int column, int row) {
    add(RecordedEvent::Kind::click, column, row);
}

void GameRecorder::pausedChanged(bool paused) {
    add(paused ? RecordedEvent::Kind::pause : RecordedEvent::Kind::resume);
}

void GameRecorder::gameEnded() {
    if (m_recording) {
        m_recording->endedAt = m_clock.now() - m_startedAt;
        m_recording->score = m_game.state().score;
        m_recording->lastRound = m_game.lastRound();
        m_finished = std::move(m_recording);
        m_recording.reset();
    }
    if (m_gameOver) {
        m_gameOver();
    }
}
