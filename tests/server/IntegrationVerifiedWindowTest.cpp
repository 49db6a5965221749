// A whole game played through the game window (offscreen, on the virtual clock) against the
// real bloomzap-server, over http and over https (nginx terminating TLS with a test authority):
// its ticket, its posting and its record, until the server's verified-only list shows the score.

#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/GameRecorder.h"
#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/VerifiedGames.h"
#include "online/highscoreform.h"
#include "server/TicketSigner.h"
#include "tests/app/TmainParts.h"
#include "tests/support/LoopbackHttp.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/TlsFront.h"
#include "tests/support/VirtualClock.h"
#include "widgets/FontSubstitutes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <fstream>

namespace {

// The body of GET `target` from 127.0.0.1:port, or nothing when the answer is not 200.
std::string fetch(int port, const std::string& target) {
    const auto reply =
        testsupport::exchange(port, "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    return reply && reply->status == 200 ? reply->body : std::string();
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
        QTemporaryDir keys;
        const std::filesystem::path keyFile = keys.path().toStdString() + "/ticket.key";
        testsupport::LocalServer server({"--verified-only", "--ticket-key", keyFile.string()});
        QVERIFY(server.serving());
        playAndPost(server, server.root(), keyFile);
    }

    void overHttpsTheSameGameIsListedVerified() {
        QTemporaryDir keys;
        const std::filesystem::path keyFile = keys.path().toStdString() + "/ticket.key";
        testsupport::LocalServer server({"--verified-only", "--ticket-key", keyFile.string()});
        QVERIFY(server.serving());
        testsupport::TlsFront front(server.port());
        QVERIFY2(front.running(), front.log().c_str());
        const testsupport::ScopedEnv trust("SSL_CERT_FILE", front.authorityFile());
        playAndPost(server, front.root(), keyFile);
    }

private:
    // Plays a game in a window whose site is `root`, posts it and checks the server's list;
    // `keyFile` holds the server's ticket key.
    void playAndPost(testsupport::LocalServer& server, const std::string& root,
                     const std::filesystem::path& keyFile) {
        QTemporaryDir folder;
        const std::filesystem::path dir = folder.path().toStdString();
        testsupport::writeFile(dir / "bloomzap.ini",
                               "[bloomzap]\r\nSite=" + root + "\r\nUpdate=false\r\n");
        VirtualClock clock;
        testsupport::RecordingOutput silence;
        QStringList messages;
        MainEnvironment environment = quietEnvironment(clock, silence, dir, 5);
        environment.verifiedGames = true;
        environment.showMessage = [&messages](const QString& text) { messages << text; };
        Tmain main(environment);
        Thighscore highscore(&main, root);
        main.setHighScoreWindow(&highscore);
        main.show();

        QTRY_VERIFY_WITH_TIMEOUT(main.verifiedGames().ticketReady(), 15000);
        // The game runs on the virtual clock, minutes in moments; the server takes only games
        // played in real time. So the ticket held is one issued, under the server's own key, two
        // hours ago.
        std::ifstream keyText(keyFile);
        std::string keyHex;
        std::getline(keyText, keyHex);
        const server::TicketSigner signer(server::ticketKeyFromText(keyHex).value());
        main.verifiedGames().holdTicket(signer.issue(std::time(nullptr) - 2 * 60 * 60));
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
        // The posting opened the high-score window on a page from the site; opened again, the
        // window shows the verified score.
        QTRY_VERIFY_WITH_TIMEOUT(
            highscore.isVisible() && !highscore.displayhtml->toPlainText().isEmpty(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!highscore.getit->busy(), 20000);
        highscore.loadit();
        QTRY_VERIFY_WITH_TIMEOUT(highscore.displayhtml->toPlainText().contains(
                                     QString::fromStdString(std::to_string(score))),
                                 20000);
    }
};

QTEST_MAIN(IntegrationVerifiedWindowTest)
#include "IntegrationVerifiedWindowTest.moc"
