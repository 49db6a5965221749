#pragma once

// The game: the board rules and the timed flow of a game from START GAME to game over,
// driven by four timers, mouse releases on the board and the window's buttons.

#include "engine/BoardSurface.h"
#include "engine/GameDisplay.h"
#include "engine/GameObserver.h"
#include "engine/GameState.h"
#include "engine/GameTimer.h"
#include "engine/MouseButton.h"
#include "engine/RandomSource.h"
#include "engine/ShiftState.h"
#include "engine/SoundCalls.h"
#include "engine/TallyCalls.h"

#include <memory>
#include <string>

class Game {
public:
    // The timers are made at once: timerdrop, timerremove, timerdroprate, timerblink, in
    // this order; timerremove starts running. The four references must outlive the game.
    Game(BoardSurface& board, GameDisplay& display, TimerFactory& timers, RandomSource& random);
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
    ~Game();

    // Sounds and tally calls go nowhere until these are set (nullptr again stops them).
    void setSounds(SoundCalls* sounds) { m_sounds = sounds; }
    void setTally(TallyCalls* tally) { m_tally = tally; }
    // Told of the player's inputs and of game over (nullptr again stops it).
    void setObserver(GameObserver* observer) { m_observer = observer; }

    GameState& state() { return m_state; }
    const GameState& state() const { return m_state; }
    // The last round played, as handed to the tally at game over: round, or 29 once the game
    // has ended on reaching round 30.
    int lastRound() const;

    // Where the game stands; the pause is state().paused.
    GamePhase phase() const { return m_phase; }

    // Buttons and menu. A game is started for the player named; the tally gets the name the
    // player goes by when the game ends (playerRenamed).
    void button_startClick(const std::string& player);
    void StartGame1Click(const std::string& player); // menu "Start Game": the same as START GAME
    void button_pauseClick();
    void button_resumeClick();
    // The window's name field changed (Change Name may do so during a game).
    void playerRenamed(const std::string& player) { m_player = player; }

    // The board surface. A release of any button counts; x and y are pixels from the top left.
    void boardMouseUp(MouseButton button, ShiftState shift, int x, int y);
    void boardPaint(); // redraws all 100 cells from the grid

    // Board rules, each a step of the game that draws what it changes.
    void clearboard();
    void checkit1(int c, int r);
    void removeit1(int c, int r);
    void moverowsdown();
    bool checkforempty() const;

    // Game flow.
    void startround();
    void dropline();
    void endgame();

    // Timer handlers (the removal step is timerremoveTimer).
    void timerdropTimer();
    void timerremoveTimer();
    void timerdroprateTimer();
    void timerblinkTimer();

    GameTimer& timerdrop() { return *m_timerdrop; }
    GameTimer& timerremove() { return *m_timerremove; }
    GameTimer& timerdroprate() { return *m_timerdroprate; }
    GameTimer& timerblink() { return *m_timerblink; }

    // The factor of a group of n flowers (rules::pointsFactor).
    static int pointsfactor(int n);

private:
    void groupEnd();
    void drawField(); // every playing cell from the grid, column by column
    void drawBlank(); // tile 0 on every playing cell, column by column
    // Tells the display of a new phase; nothing when it stays the same.
    void enter(GamePhase phase);
    void play(const char* sound);
    void beforeInput();

    GameState m_state;
    BoardSurface& m_board;
    GameDisplay& m_display;
    RandomSource& m_random;
    SoundCalls* m_sounds = nullptr;
    TallyCalls* m_tally = nullptr;
    GameObserver* m_observer = nullptr;
    GamePhase m_phase = GamePhase::idle;
    std::string m_player; // as handed to START, then as renamed
    std::unique_ptr<GameTimer> m_timerdrop;
    std::unique_ptr<GameTimer> m_timerremove;
    std::unique_ptr<GameTimer> m_timerdroprate;
    std::unique_ptr<GameTimer> m_timerblink;
};
