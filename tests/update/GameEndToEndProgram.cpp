// The game for the end-to-end update test: the program's own start-up with the test key built
// in, and the About window's version text set when it is built, so that two builds report two
// versions.
//
//   program           prints "version <the About window's version text>" and ends
//   program --update  also starts as the player's game does (the update check against the site
//                     of the bloomzap.ini beside it) and clicks UPDATE as soon as it is offered

#include "app/GameProgram.h"
#include "update/UpdateKey.h"
#include "widgets/ButtonComps.h"
#include "widgets/TFlatPanelUnit.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    GameProgram::setUpApplication();
    GameProgram program(updatePublicKey());
    GameWindows& windows = program.windows();
    windows.about.version->setText(QStringLiteral(BLOOMZAP_E2E_VERSION));

    std::printf("version %s\n", qPrintable(windows.about.version->text()));
    std::fflush(stdout);
    if (argc != 2 || std::strcmp(argv[1], "--update") != 0) {
        return 0;
    }

    const QWidget* client = windows.main.centralWidget();
    auto* offer = client->findChild<QWidget*>(QStringLiteral("panel_update"));
    auto* update = client->findChild<QWidget*>(QStringLiteral("button_updateyes"));
    QTimer player;
    QObject::connect(&player, &QTimer::timeout, [&] {
        if (offer->isVisible()) {
            player.stop();
            QTest::mouseClick(update, Qt::LeftButton);
        }
    });
    player.start(10);
    return program.exec();
}
