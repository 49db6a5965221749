#pragma once

#include "SoundOutput.h"

#include <string>
#include <vector>

// Records what the sound player asks of the audio side, "play X" or "stop".
class RecordingOutput : public SoundOutput {
public:
    void play(const std::string& resource) override { calls.push_back("play " + resource); }
    void stop() override { calls.push_back("stop"); }
    std::vector<std::string> calls;
};
