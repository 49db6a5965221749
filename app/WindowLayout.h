#pragma once

// The game window's placement and the board panel's size, written once for the window, its
// settings defaults and "Reset Screen Location".

#include <cmath>

namespace layout {

// The placement a first start and "Reset Screen Location" give the window.
inline constexpr int defaultLeft = 3;
inline constexpr int defaultTop = 3;
inline constexpr int defaultWidth = 518;
inline constexpr int defaultHeight = 443;

// The board panel; the client area never gets smaller than it plus a margin of 5 pixels.
inline constexpr int boardPanelLeft = 4;
inline constexpr int boardPanelTop = 3;
inline constexpr int boardPanelWidth = 510;
inline constexpr int boardPanelHeight = 437;
inline constexpr int clientMinWidth = boardPanelWidth + 5;
inline constexpr int clientMinHeight = boardPanelHeight + 5;

// The board panel's top left in a client area of that size: its centre keeps the proportion of
// the client area it has in the design (defaultWidth by defaultHeight), so the panel floats in
// the middle of a grown window.
inline int boardPanelLeftIn(int clientWidth) {
    const double centre = clientWidth * (boardPanelLeft + boardPanelWidth / 2.0) / defaultWidth;
    return static_cast<int>(std::lround(centre - boardPanelWidth / 2.0));
}
inline int boardPanelTopIn(int clientHeight) {
    const double centre = clientHeight * (boardPanelTop + boardPanelHeight / 2.0) / defaultHeight;
    return static_cast<int>(std::lround(centre - boardPanelHeight / 2.0));
}

// The greeting above the board: its width when it holds no more than the welcome text.
inline constexpr int greetingWidth = 160;

} // namespace layout
