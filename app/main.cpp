// bloomzap: the program entry. Builds the windows in their order, then runs the event loop.

#include "FontSubstitutes.h"
#include "QtGameTimer.h"
#include "QtSoundOutput.h"
#include "SettingsLocation.h"
#include "mainform.h"

#include <QApplication>
#include <QDateTime>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("bloomzap"));
    installFontSubstitutes();

    QtTimerFactory timers;
    QtSoundOutput sound;
    MainEnvironment environment;
    environment.timers = &timers;
    environment.seed = [] { return std::uint64_t(QDateTime::currentMSecsSinceEpoch()); };
    environment.sound = &sound;
    environment.settingsFile = SettingsLocation::settingsFile();

    Tmain main(environment);
    main.show();
    return application.exec();
}
