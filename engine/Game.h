#pragma once

// The game: the board rules and the timed flow of a game from START GAME to game over,
// driven by four timers, mouse releases on the board and the window's buttons.

#include "GameDisplay.h"
#include "GameState.h"
#include "GameTimer.h"
#include "RandomSource.h"
#include "SoundCalls.h"
#include "TallyCalls.h"

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
    void setsounds(SoundCalls* sounds) { sounds_ = sounds; }
    void settally(TallyCalls* tally) { tally_ = tally; }

    GameState& state() { return state_; }
    const GameState& state() const { return state_; }
    // The last round played, as handed to the tally at game over: round, or 29 once the game
    // has ended on reaching round 30.
    int lastround() const;

    // Buttons and menu.
    void button_startClick();
    void StartGame1Click(); // menu "Start Game": START GAME, then hides panel_cleared
    void button_pauseClick();
    void button_resumeClick();

    // The board surface.
    void boardMouseUp(int x, int y); // any button, on its release; pixels from the top left
    void boardPaint();               // redraws all 100 cells from the grid

    // Board rules.
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

    GameTimer& timerdrop() { return *timerdrop_; }
    GameTimer& timerremove() { return *timerremove_; }
    GameTimer& timerdroprate() { return *timerdroprate_; }
    GameTimer& timerblink() { return *timerblink_; }

    // The factor of a group of n flowers: 0 for 0, then 1 (1-3) up to 10 (45 and more).
    static int pointsfactor(int n);

private:
    void groupend();
    void drawfield();               // every playing cell from the grid, column by column
    void drawblank();               // tile 0 on every playing cell, column by column
    int cellat(int c, int r) const; // 0 outside the playing field
    void show(Component which, const std::string& text);
    void show(Component which, int number);
    void play(const char* sound);

    GameState state_;
    BoardSurface& board_;
    GameDisplay& display_;
    RandomSource& random_;
    SoundCalls* sounds_ = nullptr;
    TallyCalls* tally_ = nullptr;
    std::unique_ptr<GameTimer> timerdrop_;
    std::unique_ptr<GameTimer> timerremove_;
    std::unique_ptr<GameTimer> timerdroprate_;
    std::unique_ptr<GameTimer> timerblink_;
};
