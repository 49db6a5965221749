// Shows the help, About and advertisement windows as the game makes them and saves a picture
// of each: help.png (on its "Scoring" page), about.png and multiplayer.png.
#include "info/aboutform.h"
#include "info/helpform.h"
#include "info/multiplayerform.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/URL.h"

#include <QApplication>
#include <QPixmap>
#include <QTest>

#include <cstdio>

namespace {

bool save(QWidget& window, const QString& file) {
    window.show();
    QTest::qWait(200); // let the window system map and paint it
    return window.grab().save(file);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: infoshots OUTPUT_FOLDER\n");
        return 2;
    }
    installFontSubstitutes();
    // Nothing is clicked, and nothing should open if something were.
    TURL::setOpener([](const QUrl&) { return false; });
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString site = QStringLiteral("http://127.0.0.1:8080/");

    Tabout about(nullptr, site);
    Thelp help(nullptr, &about);
    Tmultiplayer multiplayer(nullptr, site);
    help.button_topicClick(help.button_topic[2]);

    const bool ok = save(help, dir + "/help.png") && save(about, dir + "/about.png") &&
                    save(multiplayer, dir + "/multiplayer.png");
    if (!ok) {
        std::fprintf(stderr, "infoshots: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
