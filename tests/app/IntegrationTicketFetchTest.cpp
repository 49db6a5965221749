// The game window's tickets and records against servers that do not take them: START GAME
// never waits for a ticket, the wait for one is bounded, a refused or malformed ticket is not
// used, and a record goes only after its posting's reply and fails without a word; the Daily
// Bloom plays the day's seed, says so, and without a daily ticket says that and starts nothing.

#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/GameRecord.h"
#include "engine/GameRecorder.h"
#include "online/DailyTicket.h"
#include "online/HTTPGet.h"
#include "online/ScoreSubmission.h"
#include "online/VerifiedGames.h"
#include "tests/app/TmainParts.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/FontSubstitutes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using testsupport::httpReply;
using testsupport::LocalServer;
using testsupport::ScriptedHttpServer;

namespace {

const std::string goodLine = "1.00112233445566778899aabbccddeeff.0badc0ffee15900d.1796601600."
                             "aabbccddeeff00112233445566778899aabbccddeeff00112233445566778899";

// A daily ticket of 2026-12-08, and a second day's.
const std::string dailyLine = "2.ffeeddccbbaa99887766554433221100.5eedf00d12345678.1796688000."
                              "2026-12-08."
                              "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
const std::string nextDailyLine =
    "2.ffeeddccbbaa99887766554433221101.0123456789abcdef.1796774400.2026-12-09."
    "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

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

    // The board once the game's first line has come down.
    Board firstLine() {
        const GameState& state = main->game().state();
        while (state.gamerunning && !state.linesettled) {
            clock.advance(10);
        }
        return state.cells;
    }
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
        // Every request is answered with the day's ticket: the normal ticket fetch refuses it.
        ScriptedHttpServer today(httpReply(dailyLine));
        ScriptedHttpServer tomorrow(httpReply(nextDailyLine + "\n"));
        TicketRun first(today.url("/"), 5);
        TicketRun second(today.url("/"), 77);
        TicketRun nextDay(tomorrow.url("/"), 5);
        QList<Board> boards;
        for (TicketRun* run : {&first, &second, &nextDay}) {
            QTRY_VERIFY(!run->ticketFetch().busy());
            QVERIFY(!run->main->verifiedGames().ticketReady());
            menuItem(*run->main, "DailyBloom1")->trigger();
            QTRY_VERIFY(run->main->game().state().gamerunning);
            QVERIFY(run->main->recorder().recording());
            boards << run->firstLine();
            QVERIFY(run->messages.isEmpty());
        }
        QCOMPARE(requestsFor(today, dailyRequest), std::size_t(2));
        // Two players on different local seeds get the same first flowers; the next day differs.
        QVERIFY(boards.at(0) == boards.at(1));
        QVERIFY(!(boards.at(0) == boards.at(2)));
        QCOMPARE(label(*first.main, "label_name")->text(),
                 QStringLiteral("Daily Bloom 2026-12-08 - Good Luck Ilse"));
        QCOMPARE(label(*nextDay.main, "label_name")->text(),
                 QStringLiteral("Daily Bloom 2026-12-09 - Good Luck Ilse"));

        // START GAME afterwards is a normal game again, on the local seed and unrecorded.
        click(button(*first.main, "button_start"));
        QVERIFY(first.main->game().state().gamerunning);
        QVERIFY(!first.main->recorder().recording());
        QCOMPARE(label(*first.main, "label_name")->text(), QStringLiteral("Good Luck Ilse"));
        QVERIFY(!(first.firstLine() == boards.at(0)));
        QCOMPARE(requestsFor(today, dailyRequest), std::size_t(2));
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
        ScriptedHttpServer server(httpReply(dailyLine));
        TicketRun run(server.url("/"));
        QTRY_VERIFY(!run.ticketFetch().busy());
        QSignalSpy sent(&run.main->verifiedGames(), &VerifiedGames::recordSent);
        menuItem(*run.main, "DailyBloom1")->trigger();
        QTRY_VERIFY(run.main->game().state().gamerunning);
        const GameState& state = run.main->game().state();
        run.firstLine();
        const QPoint cell = findGroup(state);
        QTest::mouseRelease(board(*run.main), Qt::LeftButton, {},
                            QPoint((cell.x() - 1) * 32 + 5, (cell.y() - 1) * 32 + 5));
        while (state.gamerunning) {
            run.clock.advance(100);
        }
        QVERIFY(state.score > 0);
        QCOMPARE(run.main->recorder().finished()->ticket, dailyLine);
        // The day stays on the greeting until the next game starts.
        QVERIFY(label(*run.main, "label_name")->text().startsWith(QStringLiteral("Daily Bloom")));

        click(button(*run.main, "button_sendscore"));
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() == 1, 20000);
        QCOMPARE(sent.at(0).at(0).toBool(), true);
        const std::vector<std::string> requests = server.requests();
        const auto replay = std::find_if(requests.begin(), requests.end(), [](const auto& r) {
            return r.starts_with("POST /bloomzap/replay HTTP/1.0\r\n");
        });
        QVERIFY(replay != requests.end());
        const std::string body = replay->substr(replay->find("\r\n\r\n") + 4);
        const std::optional<GameRecord> record = readRecord(body);
        QVERIFY(record);
        QCOMPARE(record->ticket, dailyLine);
        QCOMPARE(record->name, std::string("Ilse"));
        QCOMPARE(record->score, state.score);
        QVERIFY(run.messages.isEmpty());
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
};

QTEST_MAIN(IntegrationTicketFetchTest)
#include "IntegrationTicketFetchTest.moc"
