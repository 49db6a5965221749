// The game window's tickets and records against servers that do not take them: START GAME
// never waits for a ticket, the wait for one is bounded, a refused or malformed ticket is not
// used, and a record goes only after its posting's reply and fails without a word; the Daily
// Bloom plays the day's seed, says so, and without a daily ticket says that and starts nothing;
// a game the real server verified is watched back from its high-score page.

#include "app/ReplayWatch.h"
#include "app/mainform.h"
#include "common/SiteNames.h"
#include "engine/Game.h"
#include "engine/GameRecorder.h"
#include "engine/GameReplay.h"
#include "engine/ReplayPlayback.h"
#include "engine/Ticket.h"
#include "online/DailyTicket.h"
#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/ScoreSubmission.h"
#include "online/VerifiedGames.h"
#include "online/highscoreform.h"
#include "tests/app/TmainParts.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/ScopedEnv.h"
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
#include <algorithm>
#include <filesystem>

using testsupport::httpReply;
using testsupport::LocalServer;
using testsupport::ScopedEnv;
using testsupport::ScriptedHttpServer;
using testsupport::ServerProcess;

namespace {

const std::string goodLine = "1.00112233445566778899aabbccddeeff.0badc0ffee15900d.1796601600."
                             "aabbccddeeff00112233445566778899aabbccddeeff00112233445566778899";

// A daily ticket of 2026-12-08, for servers that misbehave.
const std::string dailyLine = "2.ffeeddccbbaa99887766554433221100.5eedf00d12345678.1796688000."
                              "2026-12-08."
                              "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

// A Daily Bloom as it started: its ticket line, its day and its first line of flowers.
struct DailyGame {
    QString line;
    QString day;
    Board board;
};

// The game window over the server at `root`, with tickets switched on, shown.
struct TicketRun {
    QTemporaryDir folder;
    VirtualClock clock;
    testsupport::RecordingOutput silence;
    QStringList messages;
    std::unique_ptr<Tmain> main;

    // Not shown, the window fetches no ticket ahead, so the server sees the daily fetch first.
    explicit TicketRun(const std::string& root, std::uint64_t localSeed = 5, bool online = true,
                       bool shown = true) {
        const std::filesystem::path dir = folder.path().toStdString();
        testsupport::writeFile(dir / "bloomzap.ini",
                               "[bloomzap]\r\nSite=" + root + "\r\nUpdate=false\r\nName=Ilse\r\n");
        MainEnvironment environment = quietEnvironment(clock, silence, dir, localSeed);
        environment.verifiedGames = online;
        environment.showMessage = [this](const QString& text) { messages << text; };
        main = std::make_unique<Tmain>(environment);
        if (shown) {
            main->show();
        }
    }

    const THTTPGet& ticketFetch() const {
        return *main->verifiedGames().findChild<THTTPGet*>(QStringLiteral("getticket"));
    }

    const DailyTicket& daily() const {
        return *main->findChild<DailyTicket*>(QStringLiteral("dailyticket"));
    }

    // Chooses Daily Bloom and waits for its game to start; its ticket, day and first line.
    DailyGame playDaily() {
        QSignalSpy arrived(&daily(), &DailyTicket::ticketArrived);
        menuItem(*main, "DailyBloom1")->trigger();
        if (!QTest::qWaitFor([&arrived] { return arrived.count() == 1; }, 15000)) {
            return {};
        }
        DailyGame game{arrived.at(0).at(0).toString(), arrived.at(0).at(1).toString(), {}};
        if (!main->game().state().gamerunning || !main->recorder().recording() ||
            !messages.isEmpty()) {
            return {};
        }
        game.board = firstLine();
        return game;
    }

    // The board once the game's first line has come down.
    Board firstLine() {
        const GameState& state = main->game().state();
        while (state.gamerunning && !state.linesettled) {
            clock.advance(10);
        }
        return state.cells;
    }
};

constexpr std::int64_t secondsADay = 24 * 60 * 60;

// The real server over one data folder (one ticket key), on one port across restarts, its clock
// shifted by whole seconds, the postings of one address unlimited.
struct DailyServer {
    testsupport::TempDir data;
    std::unique_ptr<ServerProcess> process;
    std::string listen = "127.0.0.1:0";

    bool start(std::int64_t shift) {
        process.reset();
        const ScopedEnv clock("BLOOMZAP_SERVER_CLOCK_SHIFT", std::to_string(shift));
        process = std::make_unique<ServerProcess>(std::vector<std::string>{
            "--listen", listen, "--data", data.path().string(), "--post-limit", "0"});
        if (!process->waitServing()) {
            return false;
        }
        listen = "127.0.0.1:" + std::to_string(process->port());
        return true;
    }
    std::string root() const { return process->root(); }
};

std::size_t requestsFor(const ScriptedHttpServer& server, const std::string& head) {
    const std::vector<std::string> requests = server.requests();
    return std::size_t(std::count_if(requests.begin(), requests.end(),
                                     [&head](const auto& r) { return r.starts_with(head); }));
}

const std::string dailyRequest = "GET /bloomzap/dailyticket HTTP/1.0\r\n";

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
        // The day's ticket is for the Daily Bloom alone.
        ScriptedHttpServer daily(httpReply(dailyLine + "\n"));
        for (const std::string& root : {refused.url("/"), upperCase.url("/"), twoLines.url("/"),
                                        cut.url("/"), daily.url("/")}) {
            TicketRun run(root);
            QTRY_VERIFY_WITH_TIMEOUT(run.ticketFetch().statusCode() != 0, 15000);
            QTRY_VERIFY(!run.ticketFetch().busy());
            QVERIFY2(!run.main->verifiedGames().ticketReady(), root.c_str());
            click(button(*run.main, "button_start"));
            QVERIFY2(!run.main->recorder().recording(), root.c_str());
        }
    }

    void theDailyBloomPlaysTheDaysSeedAndSaysSo() {
        DailyServer server;
        QVERIFY(server.start(0));
        TicketRun first(server.root(), 5);
        TicketRun second(server.root(), 77);
        QTRY_VERIFY_WITH_TIMEOUT(first.main->verifiedGames().ticketReady(), 15000);
        const DailyGame one = first.playDaily();
        const DailyGame two = second.playDaily();
        QVERIFY(!one.day.isEmpty());
        QCOMPARE(two.day, one.day);
        // Two players on different local seeds get the same first flowers.
        QVERIFY(one.board == two.board);
        QCOMPARE(label(*first.main, "label_name")->text(),
                 QStringLiteral("Daily Bloom %1 - Good Luck Ilse").arg(one.day));
        // The normal ticket held for the next game is still there.
        QVERIFY(first.main->verifiedGames().ticketReady());

        // START GAME afterwards is a normal game again, on a normal ticket.
        click(button(*first.main, "button_start"));
        QVERIFY(first.main->game().state().gamerunning);
        QVERIFY(first.main->recorder().recording());
        QVERIFY(!first.main->verifiedGames().ticketReady());
        QCOMPARE(label(*first.main, "label_name")->text(), QStringLiteral("Good Luck Ilse"));
        QVERIFY(!(first.firstLine() == one.board));

        // The next day differs.
        QVERIFY(server.start(secondsADay));
        TicketRun nextDay(server.root(), 5);
        const DailyGame three = nextDay.playDaily();
        QVERIFY(!three.day.isEmpty());
        QVERIFY(three.day != one.day);
        QVERIFY(!(three.board == one.board));
        QCOMPARE(label(*nextDay.main, "label_name")->text(),
                 QStringLiteral("Daily Bloom %1 - Good Luck Ilse").arg(three.day));
    }

    void withoutADailyTicketTheItemSaysSoAndStartsNothing() {
        const QString unreachable =
            QStringLiteral("No Daily Bloom ticket: the score server could not be reached.");
        const QString refusedText =
            QStringLiteral("No Daily Bloom ticket: the score server did not hand one out.");
        // A server that takes the request and never answers: the wait gives up, and clicks
        // while it waits start no second fetch.
        {
            ScriptedHttpServer held(httpReply(dailyLine), ScriptedHttpServer::Start::held);
            TicketRun run(held.url("/"), 5, true, false);
            menuItem(*run.main, "DailyBloom1")->trigger();
            QTRY_COMPARE(requestsFor(held, dailyRequest), std::size_t(1));
            QVERIFY(run.daily().busy());
            menuItem(*run.main, "DailyBloom1")->trigger();
            menuItem(*run.main, "DailyBloom1")->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(!run.daily().busy(), 15000);
            QCOMPARE(run.messages, QStringList{unreachable});
            QCOMPARE(requestsFor(held, dailyRequest), std::size_t(1));
            QVERIFY(!run.main->game().state().gamerunning);
        }
        // No server at all, and a game switched off the network.
        {
            std::string root;
            {
                ScriptedHttpServer gone{std::string()};
                root = gone.url("/");
            }
            TicketRun run(root);
            TicketRun offline(root, 5, false);
            for (TicketRun* each : {&run, &offline}) {
                menuItem(*each->main, "DailyBloom1")->trigger();
                QTRY_VERIFY_WITH_TIMEOUT(!each->messages.isEmpty(), 15000);
                QCOMPARE(each->messages, QStringList{unreachable});
                QVERIFY(!each->main->game().state().gamerunning);
            }
        }
        // Servers that answer without a daily ticket.
        ScriptedHttpServer refused(httpReply(dailyLine, "429 Too Many Requests"));
        ScriptedHttpServer normal(httpReply(goodLine + "\n"));
        ScriptedHttpServer cut(httpReply(dailyLine.substr(0, dailyLine.size() - 1)));
        std::string monthThirteen = dailyLine;
        monthThirteen.replace(monthThirteen.find("2026-12-08"), 10, "2026-13-08");
        ScriptedHttpServer badDay(httpReply(monthThirteen));
        for (const std::string& root :
             {refused.url("/"), normal.url("/"), cut.url("/"), badDay.url("/")}) {
            TicketRun run(root);
            menuItem(*run.main, "DailyBloom1")->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(!run.messages.isEmpty(), 15000);
            QCOMPARE(run.messages, QStringList{refusedText});
            QVERIFY2(!run.main->game().state().gamerunning, root.c_str());
        }
    }

    void theRecordOfADailyGameIsSentAsAnyOther() {
        DailyServer server;
        QVERIFY(server.start(0));
        TicketRun run(server.root());
        QSignalSpy sent(&run.main->verifiedGames(), &VerifiedGames::recordSent);
        const DailyGame daily = run.playDaily();
        QVERIFY(!daily.day.isEmpty());
        const GameState& state = run.main->game().state();
        const QPoint cell = findGroup(state);
        QTest::mouseRelease(board(*run.main), Qt::LeftButton, {},
                            QPoint((cell.x() - 1) * 32 + 5, (cell.y() - 1) * 32 + 5));
        while (state.gamerunning) {
            run.clock.advance(100);
        }
        QVERIFY(state.score > 0);
        QCOMPARE(run.main->recorder().finished()->ticket, daily.line.toStdString());
        // The day stays on the greeting until the next game starts.
        QVERIFY(label(*run.main, "label_name")->text().startsWith(QStringLiteral("Daily Bloom")));

        // The record arrives as if the game had taken its time on the player's clock: the
        // server's clock an hour on.
        QVERIFY(server.start(60 * 60));
        click(button(*run.main, "button_sendscore"));
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() == 1, 20000);
        QVERIFY2(sent.at(0).at(0).toBool(), server.process->log().c_str());
        QVERIFY(run.messages.isEmpty());

        // The verified game is on its day's list.
        THTTPGet page;
        std::string body;
        page.setOnDoneString([&body](QObject*, const std::string& text) { body = text; });
        page.setURL(server.root() + std::string(site::dailyPagePath) +
                    "?day=" + daily.day.toStdString());
        page.FetchString();
        QTRY_VERIFY_WITH_TIMEOUT(!page.busy(), 15000);
        QCOMPARE(page.statusCode(), 200L);
        QVERIFY2(body.find("Ilse") != std::string::npos, body.c_str());
        QVERIFY(body.find(std::to_string(state.score)) != std::string::npos);
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
