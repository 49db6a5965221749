#pragma once

// The board tiles of images_flowers as tilegen draws them. Tiles 0, 7 and 8 are plain black;
// tiles 1 to 6 show a five-petalled flower in the colour of their index on an opaque black
// background: petals shaded lighter toward their middle, outlined in the darker colour, a small
// black square at the centre. Each colour has petals of its own shape, so the flowers are told
// apart by shape as well as by colour (for players who do not see every colour):
//   1 blue: oval   2 orange: pointed   3 green: notched (heart)   4 red: round, closed bloom
//   5 purple: swirled (pinwheel)   6 yellow: fan-shaped with straight tips

#include <QImage>

namespace flowerart {

// Tile `index` (0 to rules::tileCount - 1) drawn at `scale` times the tile size (1 or 2), in
// QImage::Format_RGB32.
QImage flowerTile(int index, int scale);

} // namespace flowerart
