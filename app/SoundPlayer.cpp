#include "app/SoundPlayer.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::array<const char*, 6> recordings = {"CLEAR",   "CLEAREDALL", "DROP",
                                                   "ENTERED", "GAMEOVER",   "LEVELUP"};

} // namespace

SoundPlayer::SoundPlayer(SoundOutput& output, std::function<bool()> soundsOn)
    : m_output(output), m_soundsOn(std::move(soundsOn)) {}

std::string SoundPlayer::resourceFor(const std::string& name) {
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const bool known = std::find_if(recordings.begin(), recordings.end(),
                                    [&](const char* r) { return upper == r; }) != recordings.end();
    return known ? upper : std::string();
}

void SoundPlayer::playsounds(const std::string& name) {
    if (!m_soundsOn || !m_soundsOn()) {
        return;
    }
    const std::string resource = resourceFor(name);
    // A name without a recording still ends the sound that plays, and then stays silent.
    if (resource.empty()) {
        m_output.stop();
    } else {
        m_output.play(resource);
    }
}
