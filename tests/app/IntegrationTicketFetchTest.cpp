// The game window's tickets from servers that do not hand out a good one: START GAME never
// waits for them, the wait for one is bounded, and a refused or malformed ticket is not used.

#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/GameRecorder.h"
#include "online/HTTPGet.h"
#include "online/VerifiedGames.h"
#include "tests/app/TmainParts.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/FontSubstitutes.h"

#include <QTemporaryDir>
#include <QTest>

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
    std::unique_ptr<Tmain> main;

    explicit TicketRun(const std::string& root) {
        const std::filesystem::path dir = folder.path().toStdString();
        testsupport::writeFile(dir / "bloomzap.ini",
                               "[bloomzap]\r\nSite=" + root + "\r\nUpdate=false\r\n");
        MainEnvironment environment;
        environment.timers = &clock;
        environment.verifiedGames = true;
        environment.seed = [] { return std::uint64_t(5); };
        environment.sound = &silence;
        environment.settingsFile = dir / "bloomzap.ini";
        environment.showMessage = [](const QString&) {};
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
        // The real server, before it issues tickets, and servers that answer wrongly.
        LocalServer real;
        ScriptedHttpServer refused(httpReply(goodLine + "\n", "503 Service Unavailable"));
        ScriptedHttpServer upperCase(
            httpReply("1.00112233445566778899AABBCCDDEEFF" + goodLine.substr(34) + "\n"));
        ScriptedHttpServer twoLines(httpReply(goodLine + "\n" + goodLine + "\n"));
        ScriptedHttpServer cut(httpReply(goodLine.substr(0, goodLine.size() - 1) + "\n"));
        for (const std::string& root :
             {real.root(), refused.url("/"), upperCase.url("/"), twoLines.url("/"), cut.url("/")}) {
            TicketRun run(root);
            QTRY_VERIFY_WITH_TIMEOUT(run.ticketFetch().statusCode() != 0, 15000);
            QTRY_VERIFY(!run.ticketFetch().busy());
            QVERIFY2(!run.main->verifiedGames().ticketReady(), root.c_str());
            click(button(*run.main, "button_start"));
            QVERIFY2(!run.main->recorder().recording(), root.c_str());
        }
    }
};

QTEST_MAIN(IntegrationTicketFetchTest)
#include "IntegrationTicketFetchTest.moc"
