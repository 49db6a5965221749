#pragma once

// The game window's placement and the board panel's size, written once for the window, its
// settings defaults and "Reset Screen Location".

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

} // namespace layout
