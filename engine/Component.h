#pragma once

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
