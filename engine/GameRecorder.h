#pragma once

// Records the games played on a ticket, as the game tells of them: START GAME takes the next
// ticket, if there is one, and seeds the game's flowers with it; each accepted click, pause and
// resume is stamped with the clock time since START GAME; game over completes the record.
// A game without a ticket plays on the random source as it stands and is not recorded; a game
// cut short by START GAME is dropped. Before each input the clock is brought to the present.

#include "engine/EngineClock.h"
#include "engine/Game.h"
#include "engine/GameObserver.h"
#include "engine/GameRecord.h"
#include "engine/RandomSource.h"

#include <functional>
#include <optional>
#include <string>

class GameRecorder : public GameObserver {
public:
    // The references must outlive the recorder, which the game is to be told of (setObserver).
    GameRecorder(const Game& game, const EngineClock& clock, SeededRandom& random);

    // Brings the clock to the present; none where the clock is advanced by hand.
    void setCatchUp(std::function<void()> catchUp) { m_catchUp = std::move(catchUp); }
    // Hands over the ticket line for the game that starts now, or nothing.
    void setTickets(std::function<std::optional<std::string>()> take) {
        m_takeTicket = std::move(take);
    }
    // Called at every game over, once the record of a ticketed game is complete.
    void onGameOver(std::function<void()> over) { m_gameOver = std::move(over); }

    // The record of the last game over that was played on a ticket (without name and date),
    // until the next game starts.
    const std::optional<GameRecord>& finished() const { return m_finished; }
    // Whether the game under way is recorded.
    bool recording() const { return m_recording.has_value(); }

    void beforeInput() override;
    void gameStarting() override;
    void clickAccepted(int column, int row) override;
    void pausedChanged(bool paused) override;
    void gameEnded() override;

private:
    void add(RecordedEvent::Kind kind, int column = 0, int row = 0);

    const Game& m_game;
    const EngineClock& m_clock;
    SeededRandom& m_random;
    std::function<void()> m_catchUp;
    std::function<std::optional<std::string>()> m_takeTicket;
    std::function<void()> m_gameOver;
    std::optional<GameRecord> m_recording;
    std::optional<GameRecord> m_finished;
    std::int64_t m_startedAt = 0;
};
