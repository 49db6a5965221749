// A stand-in for the game in the end-to-end update test: a window with the offer panel and the
// update bound to it, the test key built in and a version text fixed when it is built.
//
//   program               prints "version <text>" and ends
//   program --update SITE also checks SITE for an update and clicks UPDATE when it is offered

#include "update/UpdateKey.h"
#include "update/Updater.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Bloomzap"));
    const QString version = QStringLiteral(BLOOMZAP_E2E_VERSION);
    std::printf("version %s\n", qPrintable(version));
    std::fflush(stdout);
    if (argc != 3 || std::strcmp(argv[1], "--update") != 0) {
        return 0;
    }

    QWidget window;
    auto* panel_update = new QWidget(&window);
    UpdatePanelWidgets widgets{panel_update, new QPushButton(panel_update),
                               new QPushButton(panel_update), new QLabel(panel_update)};
    panel_update->hide();
    Updater updater(&window, widgets, argv[2], updatePublicKey());
    QTimer player;
    QObject::connect(&player, &QTimer::timeout, [&] {
        if (!panel_update->isHidden()) {
            player.stop();
            updater.button_updateyesClick();
        }
    });
    player.start(10);
    window.show();
    updater.FormShow(true, version);
    return QApplication::exec();
}
