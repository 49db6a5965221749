// bloomzap: the program entry. Builds the windows in their order, then runs the event loop.

#include "app/QtSoundOutput.h"
#include "app/SettingsLocation.h"
#include "app/mainform.h"
#include "engine/QtGameTimer.h"
#include "tally/tallylistform.h"
#include "widgets/FontSubstitutes.h"

#include <QApplication>
#include <QDateTime>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Bloomzap"));
    installFontSubstitutes();

    QtTimerFactory timers;
    QtSoundOutput sound;
    MainEnvironment environment;
    environment.timers = &timers;
    environment.seed = [] { return std::uint64_t(QDateTime::currentMSecsSinceEpoch()); };
    environment.sound = &sound;
    environment.settingsFile = SettingsLocation::settingsFile();

    // The windows, created once in start-up order: the game window, the tally list, About,
    // help, the high-score window and the advertisement window. Each new window is created
    // here in that order and then wired to the game window. They live until the program ends;
    // leaving main() destroys them in reverse, and the tally window writes the tally file as
    // it goes.
    Tmain main(environment);

    Ttallylist tallylist(&main, SettingsLocation::tallyFolder());
    main.setTally(&tallylist.tallycalls());
    main.setTallyListWindow([&] { tallylist.showCentredOn(&main); });

    main.show();
    return application.exec();
}
