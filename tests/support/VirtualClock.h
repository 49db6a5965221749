#pragma once

// The clock of the tests: the game's own clock, advanced by hand, so a whole game runs in
// milliseconds and the same way every time.

#include "engine/EngineClock.h"

using VirtualClock = EngineClock;
