#pragma once

// The program's icon, in the sizes the desktop picks from. The sizes an ordinary screen shows in
// title bars, task bars and switchers are set before the first window; the large ones (256 and
// 512 pixels, most of the decoding) join once that window is on the screen, so they do not delay
// it; from then on no size is kept decoded, each is read again when a window takes the icon.
// Both need a QApplication.

namespace programicon {

// Sets the application's icon with the sizes up to 128 pixels.
void setUsualSizes();

// Adds the 256 and 512 pixel sizes to the application's icon; from then on no size is kept
// decoded.
void addLargeSizes();

} // namespace programicon
