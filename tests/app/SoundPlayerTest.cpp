#include "SoundPlayer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what the player asks of the audio side, "play X" or "stop".
class RecordingOutput : public SoundOutput {
public:
    void play(const std::string& resource) override { calls.push_back("play " + resource); }
    void stop() override { calls.push_back("stop"); }
    std::vector<std::string> calls;
};

TEST(SoundPlayer, SwitchedOffAsksForNothing) {
    RecordingOutput output;
    bool on = false;
    SoundPlayer player(output, [&] { return on; });
    for (const char* name :
         {"entered", "startgame", "drop", "clear", "clearedall", "levelup", "gameover"})
        player.playsounds(name);
    EXPECT_TRUE(output.calls.empty());

    // The switch is read at each call, so turning it on takes effect at once.
    on = true;
    player.playsounds("drop");
    EXPECT_EQ(output.calls, std::vector<std::string>{"play DROP"});
}

TEST(SoundPlayer, MapsEveryNameToItsRecordingWithoutRegardToCase) {
    RecordingOutput output;
    SoundPlayer player(output, [] { return true; });
    for (const char* name :
         {"entered", "drop", "clear", "clearedall", "levelup", "gameover", "Clear", "GAMEOVER"})
        player.playsounds(name);
    EXPECT_EQ(output.calls, (std::vector<std::string>{
                                "play ENTERED", "play DROP", "play CLEAR", "play CLEAREDALL",
                                "play LEVELUP", "play GAMEOVER", "play CLEAR", "play GAMEOVER"}));
}

TEST(SoundPlayer, NamesWithoutRecordingOnlyEndTheSoundThatPlays) {
    RecordingOutput output;
    SoundPlayer player(output, [] { return true; });
    player.playsounds("startgame");
    player.playsounds("");
    player.playsounds("clear2");
    EXPECT_EQ(output.calls, (std::vector<std::string>{"stop", "stop", "stop"}));
}

TEST(SoundPlayer, WithoutASwitchFunctionStaysSilent) {
    RecordingOutput output;
    SoundPlayer player(output, nullptr);
    player.playsounds("clear");
    EXPECT_TRUE(output.calls.empty());
}

} // namespace
