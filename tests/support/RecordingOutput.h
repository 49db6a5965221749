#pragma once

// Records what the sound player asks of the audio side, for the sound and window tests.

#include "app/SoundOutput.h"

#include <string>
#include <vector>

namespace testsupport {

class RecordingOutput : public SoundOutput {
public:
    void play(const std::string& resource) override { calls.push_back("play " + resource); }
    void stop() override { calls.push_back("stop"); }
    // The recordings started, in order.
    std::vector<std::string> played() const {
        std::vector<std::string> names;
        for (const std::string& call : calls) {
            if (call.rfind("play ", 0) == 0) {
                names.push_back(call.substr(5));
            }
        }
        return names;
    }

    std::vector<std::string> calls; // "play X" or "stop", in order
};

} // namespace testsupport
