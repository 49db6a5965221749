#pragma once

#include "app/SoundOutput.h"
#include "engine/SoundCalls.h"

#include <functional>
#include <string>

// The game's sound effects: turns the names the game asks for into recordings, and only
// while "Play Sounds" is on. The switch is read at every call, since the menu check mark is
// its only state.
class SoundPlayer : public SoundCalls {
public:
    SoundPlayer(SoundOutput& output, std::function<bool()> soundsOn);

    void playsounds(const std::string& name) override;

    // The resource for a sound name, matched without regard to case; empty for a name without
    // a recording ("startgame").
    static std::string resourceFor(const std::string& name);

private:
    SoundOutput& m_output;
    std::function<bool()> m_soundsOn;
};
