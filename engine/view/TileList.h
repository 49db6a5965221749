#pragma once

// images_flowers: the nine 32 x 32 board tiles, embedded as resources, each at its normal
// size and at twice that for high-density screens.

#include "engine/GameRules.h"

#include <QImage>
#include <QObject>
#include <array>

class TileList : public QObject {
public:
    // Loads :/tiles/tileN.png, and :/tiles/tileN@2x.png when first asked for; named
    // "images_flowers" as on the window.
    explicit TileList(QObject* parent = nullptr);
    // Tile t for a surface of the given device pixel ratio: the normal image at ratio 1 or
    // less, the 2x image (its device pixel ratio 2) above. Out-of-range indices give tile 0.
    const QImage& tile(int t, qreal ratio = 1.0) const;

private:
    std::array<QImage, rules::tileCount> m_normal;
    mutable std::array<QImage, rules::tileCount> m_double; // null until first asked for
};
