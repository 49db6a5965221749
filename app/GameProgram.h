#pragma once

// The program as the player starts it: the application's names and icon, the windows created
// once in start-up order and wired to the game window, and the event loop. The program's main()
// and the end-to-end update test both start the game through here.

#include "app/QtSoundOutput.h"
#include "app/mainform.h"
#include "engine/EngineClock.h"
#include "engine/realtime/QtClockDriver.h"
#include "info/aboutform.h"
#include "info/helpform.h"
#include "info/multiplayerform.h"
#include "online/highscoreform.h"
#include "tally/tallylistform.h"

#include <filesystem>
#include <optional>

// The windows in start-up order: the game window, the tally list, About, help, the high-score
// window and the advertisement window. They live as long as this object; the members go in
// reverse order, and the tally window writes the tally file as it goes.
class GameWindows {
public:
    // The site root of the other windows is the one the game window read from its settings.
    GameWindows(MainEnvironment environment, const std::filesystem::path& tallyFolder);

    Tmain main;
    Ttallylist tallylist;
    Tabout about;
    Thelp help;
    Thighscore highscore;
    Tmultiplayer multiplayer;
};

// The game on its clock driven by real time, with the real sounds and files. Needs a
// QApplication.
class GameProgram {
public:
    // The application's name, desktop entry and icon, and the fonts the windows name.
    static void setUpApplication();

    // updateKey: the key update installers must be signed with (updatePublicKey()).
    explicit GameProgram(std::optional<UpdatePublicKey> updateKey);

    GameWindows& windows() { return m_windows; }

    // Shows the game window and runs the event loop; answers the program's exit code.
    int exec();

private:
    static MainEnvironment environment(EngineClock& clock, QtClockDriver& driver,
                                       QtSoundOutput& sound,
                                       std::optional<UpdatePublicKey> updateKey);

    // The clock and its driver outlive the windows, whose timers they run.
    EngineClock m_clock;
    QtClockDriver m_driver{m_clock};
    QtSoundOutput m_sound;
    GameWindows m_windows;
};
