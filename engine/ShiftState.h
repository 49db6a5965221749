#pragma once

// The keys held while the mouse was released over the board: ShiftKey flags.

#include <cstdint>

using ShiftState = std::uint8_t;
enum ShiftKey : ShiftState { shiftKey = 1, altKey = 2, ctrlKey = 4 };
