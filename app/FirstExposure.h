#pragma once

// Work that must not delay the first window: run once that window is on the screen.

#include <functional>

class QWindow;

// Runs `then` one turn of the event loop after `window` is first exposed, so after that
// exposure has been painted; at the next turn if the window already is exposed. Nothing runs if
// the window goes first.
void afterFirstExposure(QWindow* window, std::function<void()> then);
