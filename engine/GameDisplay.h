#pragma once

#include "engine/Component.h"

#include <string>

// What the engine shows on the game window, and the one thing it reads there.
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
