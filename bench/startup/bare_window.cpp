// The floor the game's start-up is measured against: a bare Qt main window with a menu bar and
// one timer, the least a Qt Widgets game shows.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("E&xit"), &app, &QApplication::quit);
    QTimer timer;
    timer.start(1000);
    window.resize(400, 520);
    window.show();
    return app.exec();
}
