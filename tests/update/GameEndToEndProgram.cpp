// The game for the end-to-end update test: the real game and About windows as the program
// makes them, the test key built in, and the About window's version text set when it is
// built, so that two builds report two versions.
//
//   program                prints "version <the About window's version text>" and ends
//   program --update SITE  also runs the update check against SITE and clicks UPDATE as soon
//                          as it is offered

#include "app/QtSoundOutput.h"
#include "app/SettingsLocation.h"
#include "app/mainform.h"
#include "engine/QtGameTimer.h"
#include "info/aboutform.h"
#include "update/UpdateKey.h"
#include "update/Updater.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/TFlatPanelUnit.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstring>

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
    Tmain main(environment);
    Tabout about(&main, QString());
    about.version->setText(QStringLiteral(BLOOMZAP_E2E_VERSION));

    std::printf("version %s\n", qPrintable(about.version->text()));
    std::fflush(stdout);
    if (argc != 3 || std::strcmp(argv[1], "--update") != 0) {
        return 0;
    }

    // The game window does not run the update itself yet: bind it to the window's offer panel
    // here, as the window will, with the site root given.
    const TmainComponents& ui = main.ui();
    Updater updater(&main,
                    {ui.panel_update, ui.button_updateyes, ui.button_updatecancel, ui.label_update},
                    argv[2], updatePublicKey());
    QObject::connect(ui.button_updateyes, &TSelButton::OnClick, &updater,
                     [&] { updater.button_updateyesClick(); });

    QTimer player;
    QObject::connect(&player, &QTimer::timeout, [&] {
        if (ui.panel_update->isVisible()) {
            player.stop();
            QTest::mouseClick(ui.button_updateyes, Qt::LeftButton);
        }
    });
    player.start(10);
    main.show();
    updater.FormShow(main.checkForUpdates(), about.version->text());
    return QApplication::exec();
}
