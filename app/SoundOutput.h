#pragma once

#include <string>

// Plays the embedded sound recordings, one at a time.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts the recording with this resource name ("CLEAR", ...) in the background, stopping
    // the one that plays.
    virtual void play(const std::string& resource) = 0;
    // Stops whatever plays.
    virtual void stop() = 0;
};
