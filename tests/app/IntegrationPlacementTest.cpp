// The game window's placement under a window manager that frames windows with title bars: a
// display of its own (Xvfb) with openbox, both started here; skipped where either is missing.

#include "app/mainform.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/FontSubstitutes.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

extern char** environ;

namespace {

// A program started in the background, ended when this goes.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    // Starts `arguments`, which inherits the open descriptors but writes nothing here.
    bool start(std::vector<std::string> arguments) {
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int failed = posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) {
            m_pid = -1;
        }
        return failed == 0;
    }
    bool running() const { return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; }

private:
    pid_t m_pid = -1;
};

bool onPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Xvfb on a free display, with openbox managing it. Why it is not there, when it is not.
struct FramedDisplay {
    Child server;
    Child windowManager;
    std::string missing;

    FramedDisplay() {
        for (const char* program : {"Xvfb", "openbox"}) {
            if (!onPath(program)) {
                missing = std::string(program) + " is not installed";
                return;
            }
        }
        int pipe[2];
        if (::pipe(pipe) != 0) {
            missing = "no pipe";
            return;
        }
        // Xvfb picks a free display itself and writes its number into the pipe.
        if (!server.start({"Xvfb", "-displayfd", std::to_string(pipe[1]), "-screen", "0",
                           "1024x768x24", "-nolisten", "tcp"})) {
            missing = "Xvfb did not start";
            return;
        }
        ::close(pipe[1]);
        std::string number;
        pollfd wait{pipe[0], POLLIN, 0};
        char c;
        while (::poll(&wait, 1, 20000) > 0 && ::read(pipe[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(pipe[0]);
        if (number.empty()) {
            missing = "Xvfb gave no display";
            return;
        }
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
        if (!windowManager.start({"openbox", "--sm-disable"})) {
            missing = "openbox did not start";
            return;
        }
        // Ready once it has announced itself on the root window.
        bool ready = false;
        for (int tries = 0; tries < 200 && !ready && windowManager.running(); ++tries) {
            ready = std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "
                                "'window id'") == 0;
            if (!ready) {
                ::usleep(100000);
            }
        }
        if (!ready) {
            missing = "openbox did not take the display";
            return;
        }
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
};

FramedDisplay* display = nullptr;

int savedValue(const std::string& file, const char* key) {
    const std::regex line(std::string("(^|\n)") + key + "=(-?[0-9]+)\r");
    std::smatch match;
    return std::regex_search(file, match, line) ? std::stoi(match[2]) : -99999;
}

} // namespace

class IntegrationPlacementTest : public QObject {
    Q_OBJECT

private slots:
    // With no settings the frame, title bar and all, lands at left 3, top 3; what is saved at
    // close is what the next start shows, however often the game is started.
    void placementRoundTripsUnderAWindowManager() {
        if (!display->missing.empty()) {
            QSKIP(qPrintable(
                QString::fromStdString("no window manager to test with: " + display->missing)));
        }
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::filesystem::path settings =
            std::filesystem::path(folder.path().toStdString()) / "bloomzap.ini";
        VirtualClock clock;
        testsupport::RecordingOutput silence;
        QStringList messages;
        MainEnvironment environment;
        environment.timers = &clock;
        environment.sound = &silence;
        environment.settingsFile = settings;
        environment.showMessage = [&](const QString& text) { messages << text; };

        std::vector<QPoint> saved;
        for (int start = 0; start < 10; ++start) {
            Tmain main(environment);
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            // Framed: the window manager has put its title bar around the window.
            QVERIFY2(QTest::qWaitFor(
                         [&] { return main.frameGeometry().top() < main.geometry().top(); }, 20000),
                     "the window manager framed no window");
            QTest::qWait(100);
            const QRect frame = main.frameGeometry();
            const QRect screen = main.screen()->geometry();
            QVERIFY2(
                screen.contains(frame.topLeft()),
                qPrintable(QStringLiteral("frame at %1,%2").arg(frame.left()).arg(frame.top())));
            QCOMPARE(frame.topLeft(), QPoint(3, 3));
            QVERIFY(main.close());
            const std::string file = testsupport::readFile(settings);
            saved.emplace_back(savedValue(file, "Left"), savedValue(file, "Top"));
            QCOMPARE(saved.back(), QPoint(3, 3));
        }
        QVERIFY(messages.isEmpty());
    }

    // A placement saved by an earlier start comes back exactly.
    void aSavedPlacementComesBackExactly() {
        if (!display->missing.empty()) {
            QSKIP(qPrintable(
                QString::fromStdString("no window manager to test with: " + display->missing)));
        }
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::filesystem::path settings =
            std::filesystem::path(folder.path().toStdString()) / "bloomzap.ini";
        testsupport::writeFile(settings,
                               "[bloomzap]\r\nLeft=120\r\nTop=75\r\nWidth=600\r\nHeight=500\r\n");
        VirtualClock clock;
        testsupport::RecordingOutput silence;
        MainEnvironment environment;
        environment.timers = &clock;
        environment.sound = &silence;
        environment.settingsFile = settings;
        environment.showMessage = [](const QString&) {};
        for (int start = 0; start < 3; ++start) {
            Tmain main(environment);
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            QVERIFY(QTest::qWaitFor(
                [&] { return main.frameGeometry().top() < main.geometry().top(); }, 20000));
            QTest::qWait(100);
            QCOMPARE(main.frameGeometry().topLeft(), QPoint(120, 75));
            QVERIFY(main.close());
            const std::string file = testsupport::readFile(settings);
            QCOMPARE(QPoint(savedValue(file, "Left"), savedValue(file, "Top")), QPoint(120, 75));
            QCOMPARE(QSize(savedValue(file, "Width"), savedValue(file, "Height")), QSize(600, 500));
        }

        // "Reset Screen Location" puts the frame back at left 3, top 3, title bar on screen.
        Tmain main(environment);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(QTest::qWaitFor([&] { return main.frameGeometry().top() < main.geometry().top(); },
                                20000));
        main.menuBar()->findChild<QAction*>(QStringLiteral("ResetScreenLocation1"))->trigger();
        QVERIFY2(
            QTest::qWaitFor([&] { return main.frameGeometry().topLeft() == QPoint(3, 3); }, 5000),
            qPrintable(QStringLiteral("frame at %1,%2")
                           .arg(main.frameGeometry().left())
                           .arg(main.frameGeometry().top())));
        QVERIFY(main.close());
        const std::string file = testsupport::readFile(settings);
        QCOMPARE(QPoint(savedValue(file, "Left"), savedValue(file, "Top")), QPoint(3, 3));
    }
};

int main(int argc, char* argv[]) {
    FramedDisplay framed;
    display = &framed;
    QApplication application(argc, argv);
    installFontSubstitutes();
    IntegrationPlacementTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "IntegrationPlacementTest.moc"
