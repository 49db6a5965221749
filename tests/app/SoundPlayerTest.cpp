// The sound player: the Play Sounds switch and the name-to-recording table.

#include "app/SoundPlayer.h"
#include "tests/support/RecordingOutput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::RecordingOutput;

using Calls = std::vector<std::string>;

TEST(SoundPlayer, SwitchedOffAsksForNothing) {
    RecordingOutput output;
    bool on = false;
    SoundPlayer player(output, [&] { return on; });
    for (const char* name :
         {"entered", "startgame", "drop", "clear", "clearedall", "levelup", "gameover"}) {
        player.playsounds(name);
    }
    SoundPlayer(output, nullptr).playsounds("clear"); // no switch at all: silent too
    EXPECT_TRUE(output.calls.empty());

    // The switch is read at each call, so turning it on takes effect at once.
    on = true;
    player.playsounds("drop");
    EXPECT_EQ(output.calls, Calls{"play DROP"});
}

TEST(SoundPlayer, MapsEveryNameToItsRecordingWithoutRegardToCaseOthersOnlyStop) {
    RecordingOutput output;
    SoundPlayer player(output, [] { return true; });
    for (const char* name : {"entered", "drop", "clear", "clearedall", "levelup", "gameover",
                             "Clear", "GAMEOVER", "startgame", "", "clear2"}) {
        player.playsounds(name);
    }
    EXPECT_EQ(output.calls,
              (Calls{"play ENTERED", "play DROP", "play CLEAR", "play CLEAREDALL", "play LEVELUP",
                     "play GAMEOVER", "play CLEAR", "play GAMEOVER", "stop", "stop", "stop"}));
}

} // namespace
