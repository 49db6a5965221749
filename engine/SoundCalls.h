#pragma once

#include <string>

// What the game asks of the sound effects: a sound by its name ("drop", "clear", ...).
// The implementation decides whether sounds are switched on.
class SoundCalls {
public:
    virtual ~SoundCalls() = default;
    virtual void playsounds(const std::string& name) = 0;
};
