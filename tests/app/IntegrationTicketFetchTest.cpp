// The game window's tickets and records against servers that do not take them: START GAME
// never waits for a ticket, the wait for one is bounded, a refused or malformed ticket is not
// used, and a record goes only after its posting's reply and fails without a word; a game the
// real server verified is watched back from its high-score page.

#include "app/ReplayWatch.h"
#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/GameRecorder.h"
#include "engine/GameReplay.h"
#include "engine/ReplayPlayback.h"
#include "engine/Ticket.h"
#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/ScoreSubmission.h"
#include "online/VerifiedGames.h"
#include "online/highscoreform.h"
#include "tests/app/TmainParts.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/FontSubstitutes.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QMessageAuthenticationCode>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <QTextCursor>
#include <filesystem>

using testsupport::httpReply;
using testsupport::LocalServer;
using testsupport::ScriptedHttpServer;

namespace {

const std::string goodLine = "1.00112233445566778899aabbccddeeff.0badc0ffee15900d.1796601600."
                             "aabbccddeeff00112233445566778899aabbccddeeff00112233445566778899";

// The game window over the server at `root`, with tickets switched on, shown.
struct TicketRun {
    QTemporaryDir folder;
    VirtualClock clock;
    testsupport::RecordingOutput silence;
    QStringList messages;
    std::unique_ptr<Tmain> main;

    explicit TicketRun(const std::string& root) {
        const std::filesystem::path dir = folder.path().toStdString();
        testsupport::writeFile(dir / "bloomzap.ini",
                               "[bloomzap]\r\nSite=" + root + "\r\nUpdate=false\r\n");
        MainEnvironment environment = quietEnvironment(clock, silence, dir, 5);
        environment.verifiedGames = true;
        environment.showMessage = [this](const QString& text) { messages << text; };
        main = std::make_unique<Tmain>(environment);
        main->show();
    }

    const THTTPGet& ticketFetch() const {
        return *main->verifiedGames().findChild<THTTPGet*>(QStringLiteral("getticket"));
    }
};

} // namespace

class IntegrationTicketFetchTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }

    void aTicketThatDoesNotComeNeverHoldsUpAGame() {
        ScriptedHttpServer server(httpReply(goodLine), ScriptedHttpServer::Start::held);
        TicketRun run(server.url("/"));
        QTRY_COMPARE(server.requestCount(), std::size_t(1));
        QVERIFY(server.requests().front().starts_with("GET /bloomzap/ticket HTTP/1.0\r\n"));
        QVERIFY(run.ticketFetch().busy());

        // START GAME at once, on the local seed, unrecorded.
        click(button(*run.main, "button_start"));
        QVERIFY(run.main->game().state().gamerunning);
        QVERIFY(!run.main->recorder().recording());

        // The fetch gives up on its own: the connection is closed and no ticket is held.
        QTRY_VERIFY_WITH_TIMEOUT(!run.ticketFetch().busy(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(server.clientClosed(), 15000);
        QVERIFY(!run.main->verifiedGames().ticketReady());
    }

    void refusedOrMalformedTicketsAreNotUsed() {
        // Servers that answer wrongly.
        ScriptedHttpServer refused(httpReply(goodLine + "\n", "503 Service Unavailable"));
        ScriptedHttpServer upperCase(
            httpReply("1.00112233445566778899AABBCCDDEEFF" + goodLine.substr(34) + "\n"));
        ScriptedHttpServer twoLines(httpReply(goodLine + "\n" + goodLine + "\n"));
        ScriptedHttpServer cut(httpReply(goodLine.substr(0, goodLine.size() - 1) + "\n"));
        for (const std::string& root :
             {refused.url("/"), upperCase.url("/"), twoLines.url("/"), cut.url("/")}) {
            TicketRun run(root);
            QTRY_VERIFY_WITH_TIMEOUT(run.ticketFetch().statusCode() != 0, 15000);
            QTRY_VERIFY(!run.ticketFetch().busy());
            QVERIFY2(!run.main->verifiedGames().ticketReady(), root.c_str());
            click(button(*run.main, "button_start"));
            QVERIFY2(!run.main->recorder().recording(), root.c_str());
        }
    }

    void aRecordGoesAfterItsPostingWasAnsweredAndFailsSilently() {
        // The real server takes the posting; a record on a ticket it never issued it does not.
        LocalServer server({"--post-limit", "0"});
        QVERIFY(server.serving());
        TicketRun run(server.root());
        QTRY_VERIFY(!run.ticketFetch().busy());
        run.main->verifiedGames().holdTicket(goodLine);
        QSignalSpy sent(&run.main->verifiedGames(), &VerifiedGames::recordSent);
        QSignalSpy answered(
            run.main->findChild<ScoreSubmission*>(QStringLiteral("scoresubmission")),
            &ScoreSubmission::postingAnswered);

        // A short game with one group, recorded on the ticket.
        click(button(*run.main, "button_start"));
        const GameState& state = run.main->game().state();
        run.clock.advance(10);
        const QPoint cell = findGroup(state);
        QTest::mouseRelease(board(*run.main), Qt::LeftButton, {},
                            QPoint((cell.x() - 1) * 32 + 5, (cell.y() - 1) * 32 + 5));
        while (state.gamerunning) {
            run.clock.advance(100);
        }
        QVERIFY(run.main->recorder().finished());
        QVERIFY(state.score > 0);
        QTest::qWait(200);
        QCOMPARE(sent.count(), 0);

        nameBox(*run.main, "edit_name")->setText(QStringLiteral("R\u00f6sa"));
        click(button(*run.main, "button_sendscore"));
        QCOMPARE(sent.count(), 0);
        // The posting's reply hides the game-over panel; only then the record goes.
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() == 1, 20000);
        QCOMPARE(answered.count(), 1);
        QVERIFY(panel(*run.main, "panel_cleared")->isHidden());
        QCOMPARE(sent.at(0).at(0).toBool(), false);
        QVERIFY(run.messages.isEmpty());

        // The same game's score sent again sends its record no more.
        click(button(*run.main, "button_sendscore"));
        QTRY_VERIFY_WITH_TIMEOUT(answered.count() == 2, 20000);
        QTest::qWait(200);
        QCOMPARE(sent.count(), 1);
        QVERIFY(run.messages.isEmpty());
    }

    void aGameTheServerVerifiedIsWatchedBackFromItsPage() {
        // The server's key is the test's, so that the game's ticket can be dated three hours
        // back: the game runs on the test's clock in moments, as if played in real time.
        QTemporaryDir keys;
        const std::filesystem::path keyFile = keys.filePath("ticket.key").toStdString();
        const QByteArray key = QByteArray::fromHex(
            QByteArrayLiteral("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"));
        testsupport::writeFile(keyFile, key.toHex().toStdString() + "\n");
        std::filesystem::permissions(keyFile, std::filesystem::perms::owner_read |
                                                  std::filesystem::perms::owner_write);
        LocalServer server({"--post-limit", "0", "--ticket-key", keyFile.string()});
        QVERIFY(server.serving());
        TicketRun run(server.root());
        QTRY_VERIFY(!run.ticketFetch().busy());
        const QByteArray signedPart =
            "1.00112233445566778899aabbccddeeff.0badc0ffee15900d." +
            QByteArray::number(QDateTime::currentSecsSinceEpoch() - 3 * 60 * 60);
        run.main->verifiedGames().holdTicket(
            (signedPart + "." +
             QMessageAuthenticationCode::hash(signedPart, key, QCryptographicHash::Sha256).toHex())
                .toStdString());
        QSignalSpy sent(&run.main->verifiedGames(), &VerifiedGames::recordSent);

        // A whole game on the server's ticket, clicking the first group found.
        click(button(*run.main, "button_start"));
        const GameState& state = run.main->game().state();
        for (int tick = 0; tick < 400000 && state.gamerunning; ++tick) {
            run.clock.advance(10);
            if (!state.linesettled || state.removing || state.blinking || tick % 13 != 0) {
                continue;
            }
            if (const QPoint cell = findGroup(state); !cell.isNull()) {
                QTest::mouseRelease(board(*run.main), Qt::LeftButton, {},
                                    QPoint((cell.x() - 1) * 32 + 16, (cell.y() - 1) * 32 + 16));
            }
        }
        QVERIFY(!state.gamerunning && state.score > 0);
        nameBox(*run.main, "edit_name")->setText(QStringLiteral("Ann"));
        click(button(*run.main, "button_sendscore"));
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() == 1, 20000);
        QCOMPARE(sent.at(0).at(0).toBool(), true);
        const GameRecord record = *run.main->recorder().finished();
        DrawnBoards engine;
        QVERIFY(replayGame(record, parseTicket(record.ticket)->seed, defaultMaxReplayMs, {&engine})
                    .matches);

        // The high-score page links the verified game; its link plays it on the board.
        Thighscore highscore(run.main.get(), server.root());
        run.main->setHighScoreWindow(&highscore);
        highscore.loadit();
        QTRY_VERIFY_WITH_TIMEOUT(highscore.displayhtml->toPlainText().contains("watch"), 20000);
        QTextCursor at = highscore.displayhtml->document()->find(QStringLiteral("watch"));
        at.setPosition(at.selectionStart() + 1);
        highscore.show();
        QVERIFY(QTest::qWaitForWindowExposed(&highscore));
        QTest::mouseClick(highscore.displayhtml->viewport(), Qt::LeftButton, {},
                          highscore.displayhtml->cursorRect(at).center());
        ReplayWatch& watch = run.main->replayWatch();
        QTRY_VERIFY_WITH_TIMEOUT(watch.watching() || !run.messages.isEmpty(), 20000);
        QCOMPARE(run.messages, QStringList());
        QCOMPARE(label(*run.main, "label_watch")->text(),
                 QStringLiteral("Watching Ann's game: %1").arg(record.score));
        while (watch.step()) {
        }
        QCOMPARE(shownOn(*board(*run.main)), engine.boards.back());
        QCOMPARE(watch.playback()->game().state().score, record.score);
        click(button(*run.main, "button_watchclose"));
        QVERIFY(!watch.watching());
        run.main->setHighScoreWindow(nullptr);
    }
};

QTEST_MAIN(IntegrationTicketFetchTest)
#include "IntegrationTicketFetchTest.moc"
