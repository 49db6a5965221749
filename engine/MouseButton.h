#pragma once

// The mouse button released over the board; the game reacts to any button the same way.
enum class MouseButton { left, right, middle };
