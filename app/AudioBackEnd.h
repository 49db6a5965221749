#pragma once

// The audio back-end behind the game's sounds. It lives in a module of its own
// (libbloomzap_audio.so) so that Qt Multimedia and the sound system's libraries are loaded when
// the first sound plays, not while the first window is made.

#include <QUrl>

// Plays one recording at a time through the system's audio output.
class AudioBackEnd {
public:
    virtual ~AudioBackEnd() = default;
    // Starts the recording at `source` in the background, stopping the one that plays. Without
    // an audio output device it does nothing.
    virtual void play(const QUrl& source) = 0;
    // Stops whatever plays.
    virtual void stop() = 0;
};

namespace audiomodule {
// Found through the program's own run-time search path.
inline constexpr const char* fileName = "libbloomzap_audio.so";
// The module's one entry: makes a back-end that the caller owns.
inline constexpr const char* makerName = "bloomzapMakeAudioBackEnd";
using Maker = AudioBackEnd* (*)();
} // namespace audiomodule
