#include "app/GameProgram.h"

#include "app/FirstExposure.h"
#include "app/GameStyle.h"
#include "app/ProgramIcon.h"
#include "app/SettingsLocation.h"
#include "widgets/FontSubstitutes.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>

#ifdef __GLIBC__
#include <malloc.h>
#endif

GameWindows::GameWindows(MainEnvironment environment, const std::filesystem::path& tallyFolder)
    : main(std::move(environment)), tallylist(&main, tallyFolder),
      about(&main, QString::fromStdString(main.siteRoot())), help(&main, &about),
      highscore(&main, main.siteRoot()),
      multiplayer(&main, QString::fromStdString(main.siteRoot())) {
    main.setTally(&tallylist.tallycalls());
    main.setTallyListWindow([this] { tallylist.showCentredOn(&main); });
    main.setInfoWindows(&help, &about);
    main.setHighScoreWindow(&highscore);
    main.setVersionText([this] { return about.version->text(); });
}

void GameProgram::setUpApplication() {
    QApplication::setApplicationName(QStringLiteral("Bloomzap"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.varnok.bloomzap"));
    QApplication::setStyle(new GameStyle(QApplication::style()));
    programicon::setUsualSizes();
    installFontSubstitutes();
}

MainEnvironment GameProgram::environment(EngineClock& clock, QtClockDriver& driver,
                                         QtSoundOutput& sound,
                                         std::optional<UpdatePublicKey> updateKey) {
    MainEnvironment environment;
    environment.timers = &clock;
    environment.clockToNow = [&driver] { driver.catchUp(); };
    environment.verifiedGames = true;
    environment.seed = [] { return std::uint64_t(QDateTime::currentMSecsSinceEpoch()); };
    // "entered" is asked for while the game window is made; it plays once that window is up.
    sound.hold();
    environment.sound = &sound;
    environment.settingsFile = SettingsLocation::settingsFile();
    environment.updateKey = updateKey;
    return environment;
}

GameProgram::GameProgram(std::optional<UpdatePublicKey> updateKey)
    : m_windows(environment(m_clock, m_driver, m_sound, updateKey),
                SettingsLocation::tallyFolder()) {}

int GameProgram::exec() {
    // The platform window first, so that its first exposure is watched from the start.
    m_windows.main.winId();
    m_sound.releaseAfterExposed(m_windows.main.windowHandle());
    afterFirstExposure(m_windows.main.windowHandle(), [] {
        programicon::addLargeSizes();
#ifdef __GLIBC__
        // What the start freed (the font list read, pictures decoded for the first painting)
        // goes back to the system instead of staying with the program unused.
        malloc_trim(0);
#endif
    });
    m_windows.main.show();
    return QApplication::exec();
}
