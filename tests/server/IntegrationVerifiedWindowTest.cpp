// A whole game played through the game window (offscreen, on the virtual clock) against the
// real bloomzap-server: its ticket, its posting and its record, until the server's verified-only
// list shows the score.

#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/GameRecorder.h"
#include "online/VerifiedGames.h"
#include "tests/app/TmainParts.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/FontSubstitutes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The body of GET `target` from 127.0.0.1:port, or nothing when the answer is not 200.
std::string fetch(int port, const std::string& target) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string raw;
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        char buffer[16384];
        ssize_t n = 0;
        while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
            raw.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    const std::size_t split = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.0 200", 0) != 0 && raw.rfind("HTTP/1.1 200", 0) != 0) {
        return {};
    }
    return raw.substr(split + 4);
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

} // namespace

class IntegrationVerifiedWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }

    void aGamePlayedInTheWindowIsListedVerified() {
        testsupport::LocalServer server({"--verified-only"});
        QVERIFY(server.serving());
        QTemporaryDir folder;
        const std::filesystem::path dir = folder.path().toStdString();
        testsupport::writeFile(dir / "bloomzap.ini",
                               "[bloomzap]\r\nSite=" + server.root() + "\r\nUpdate=false\r\n");
        VirtualClock clock;
        testsupport::RecordingOutput silence;
        QStringList messages;
        MainEnvironment environment;
        environment.timers = &clock;
        environment.verifiedGames = true;
        environment.seed = [] { return std::uint64_t(5); };
        environment.sound = &silence;
        environment.settingsFile = dir / "bloomzap.ini";
        environment.showMessage = [&messages](const QString& text) { messages << text; };
        Tmain main(environment);
        main.show();

        QTRY_VERIFY_WITH_TIMEOUT(main.verifiedGames().ticketReady(), 15000);
        click(button(main, "button_start"));
        QVERIFY(main.recorder().recording());
        const GameState& state = main.game().state();
        BoardView* view = board(main);
        for (int tick = 0; tick < 400000 && state.gamerunning; ++tick) {
            clock.advance(10);
            if (tick == 300) {
                click(button(main, "button_pause"));
            } else if (tick == 900) {
                click(button(main, "button_resume"));
            }
            if (!state.linesettled || state.removing || state.blinking || state.paused ||
                tick % 13 != 0) {
                continue;
            }
            const QPoint cell = findGroup(state);
            if (!cell.isNull()) {
                QTest::mouseRelease(view, Qt::LeftButton, {},
                                    QPoint((cell.x() - 1) * 32 + 9, (cell.y() - 1) * 32 + 20));
            }
        }
        QVERIFY(!state.gamerunning);
        QVERIFY(main.recorder().finished());
        const int score = state.score;
        QVERIFY(score > 0);
        const std::string scoreCell = "<b>" + std::to_string(score) + "</b>";

        // Played but not yet posted and replayed: not on the verified list.
        QVERIFY(fetch(server.port(), "/counter/bloomzap.shtml").find("No verified scores yet") !=
                std::string::npos);
        QSignalSpy sent(&main.verifiedGames(), &VerifiedGames::recordSent);
        nameBox(main, "edit_name")->setText(QStringLiteral("Zo\u00eb"));
        click(button(main, "button_sendscore"));
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() == 1, 20000);
        QVERIFY(sent.at(0).at(0).toBool());
        QVERIFY(messages.isEmpty());

        const std::string listed = fetch(server.port(), "/counter/bloomzap.shtml");
        QCOMPARE(count(listed, scoreCell), std::size_t(1));
        QCOMPARE(count(listed, "\u2713 verified</font>"), std::size_t(1));
        QVERIFY(listed.find("Zo\u00eb") != std::string::npos);
        QVERIFY(listed.find("1 verified score posted.") != std::string::npos);
    }
};

QTEST_MAIN(IntegrationVerifiedWindowTest)
#include "IntegrationVerifiedWindowTest.moc"
