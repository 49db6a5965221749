#pragma once

// What a game tells about the player's inputs: before each one, so that the clock can first be
// brought to the moment the input is handled, and after each one that changed the game, so
// that the game can be recorded and played again. Every member does nothing by default.

class GameObserver {
public:
    virtual ~GameObserver() = default;
    // The game is about to act on START GAME, a click on the field, PAUSE GAME or RESUME.
    virtual void beforeInput() {}
    // START GAME, before the new game draws its first flower.
    virtual void gameStarting() {}
    // A click on the field started removing a group at that cell.
    virtual void clickAccepted(int /*column*/, int /*row*/) {}
    // The pause began (true) or ended (false).
    virtual void pausedChanged(bool /*paused*/) {}
    // The game is over; the final score and last round stand.
    virtual void gameEnded() {}
};
