#pragma once

// The look every window of the game shares: its colours, its fonts by pixel size, and the
// light-yellow caption buttons with a dark red frame whose caption turns dark red under the
// mouse.

#include <QColor>
#include <QFont>

class TSelButton;

namespace house {

inline const QColor buttonFace{255, 255, 198}; // fill of every look of a caption button
inline const QColor darkRed{164, 0, 0};        // button frames and hover captions
inline const QColor darkGrey{74, 74, 74};      // most button captions
inline const QColor grey{128, 128, 128};       // captions of the pop-up panels' buttons
inline const QColor lightGrey{218, 218, 218};  // texts on the black windows and panels
inline const QColor maroon{128, 0, 0};         // frames of the board and the pop-up panels

// A font by its name in the window layouts and its size in pixels.
QFont pixelFont(const char* family, int pixels, bool bold = false);
// The two faces the windows use: "MS Sans Serif" for texts and panels, "Arial" for the
// displays and the caption buttons.
QFont sansSerif(int pixels, bool bold = false);
QFont arial(int pixels, bool bold = false);

// Gives a caption button the shared look: centred caption in bold "Arial" of the given size.
void styleButton(TSelButton* button, const QColor& caption, int pixels = 16);

} // namespace house
