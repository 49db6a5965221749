#pragma once

// What the engine shows, and the one thing it reads, on the game window.

#include <cstdint>
#include <string>

// The board surface: 10 x 10 cells of 32 x 32 pixels.
class BoardSurface {
public:
    virtual ~BoardSurface() = default;
    // Draws tile t (0 black, 1 to 6 a flower; 7 and 8 black) at cell (c, r), c and r from 1
    // to 10, at once.
    virtual void drawtile(int c, int r, int t) = 0;
};

// The components of the game window that the engine writes, by their names on the window.
enum class Component {
    label_round,        // beside "Level:"
    label_roundcleared, // beside "Until Next Level:"
    label_score,        // beside "Score:"
    label_lastscore,    // beside "Last Score:"
    label_numremoved,   // beside "Cleared:"
    label_status,       // the status line under the board
    label_name,         // the greeting above the board
    button_pause,       // PAUSE GAME / RESUME
    button_start,       // START GAME
    button_sendscore,   // SEND SCORE on the game-over panel
    panel_cleared,      // the game-over panel
    panel_paused,       // the pause panel over the board
    panel_name,         // the name-entry panel
    panel_wait,         // the score-posting wait panel on the game-over panel
};
inline constexpr int componentCount = int(Component::panel_wait) + 1;

class GameDisplay {
public:
    virtual ~GameDisplay() = default;
    // A label's text, or the pause button's caption.
    virtual void setText(Component which, const std::string& text) = 0;
    // Shows or hides a panel or button; a panel that is shown comes to the front.
    virtual void setShown(Component which, bool shown) = 0;
    // Switches a button's own Enabled flag (the engine uses it for button_pause only).
    virtual void setEnabledFlag(Component which, bool enabled) = 0;
    // The player name: the text of the game-over panel's name box edit_name.
    virtual std::string currentPlayerName() const = 0;
};

// The mouse button released over the board, and the keys held at that moment (ShiftKey
// flags); the game reacts to any button the same way.
enum class MouseButton { left, right, middle };
using ShiftState = std::uint8_t;
enum ShiftKey : ShiftState { shiftKey = 1, altKey = 2, ctrlKey = 4 };
