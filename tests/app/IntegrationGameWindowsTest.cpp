// The program's windows made in start-up order and wired to the game window: score posting
// against the real bloomzap-server and its watchdog on the virtual clock, the menus that open
// the other windows, the logo's link and the update check.

#include "app/GameProgram.h"
#include "app/NameBox.h"
#include "engine/Game.h"
#include "engine/GameTimer.h"
#include "engine/view/BoardView.h"
#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/ScoreSubmission.h"
#include "tests/app/TmainParts.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ButtonComps.h"
#include "widgets/ClickLabel.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/TFlatPanelUnit.h"
#include "widgets/URL.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using testsupport::httpReply;
using testsupport::LocalServer;
using testsupport::ScriptedHttpServer;

namespace {

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {},
                      QPoint(widget->width() / 2, widget->height() / 2));
}

// The program's windows on a virtual clock, over a fresh folder with these settings lines.
struct GameRun {
    QTemporaryDir folder;
    VirtualClock clock;
    testsupport::RecordingOutput silence;
    QStringList messages;
    std::unique_ptr<GameWindows> windows;

    explicit GameRun(const std::string& settings) {
        const std::filesystem::path dir = folder.path().toStdString();
        testsupport::writeFile(dir / "bloomzap.ini", "[bloomzap]\r\n" + settings);
        MainEnvironment environment;
        environment.timers = &clock;
        environment.seed = [] { return std::uint64_t(7); };
        environment.sound = &silence;
        environment.settingsFile = dir / "bloomzap.ini";
        environment.showMessage = [this](const QString& text) { messages << text; };
        windows = std::make_unique<GameWindows>(environment, dir);
    }

    Tmain& main() const { return windows->main; }

    // Plays a game to its end with one group cleared, so that it has a score.
    int finishGame() {
        click(button(main(), "button_start"));
        const GameState& state = main().game().state();
        clock.advance(10);
        for (int c = 1; c <= 10 && !state.removing; ++c) {
            for (int r = 9; r <= 10 && !state.removing; ++r) {
                QTest::mouseRelease(board(main()), Qt::LeftButton, {},
                                    QPoint((c - 1) * 32 + 5, (r - 1) * 32 + 5));
            }
        }
        while (state.gamerunning) {
            clock.advance(100);
        }
        return state.score;
    }

    // The score posting's watchdog.
    const GameTimer& watchdog() const { return main().scoreSubmission().watchdog(); }
    // The watchdog's ticks, one second each.
    void ticks(int count) { clock.advance(1000LL * count); }
    QString waitCaption() const { return panel(main(), "panel_wait")->Caption(); }
};

// The settings naming the server; the update check only where a test asks for it.
std::string settingsFor(const std::string& root, bool checkForUpdates = false) {
    return "Site=" + root + "\r\nUpdate=" + (checkForUpdates ? "true" : "false") + "\r\n";
}

// Nothing listens there: a posting gets no answer.
const std::string closedPort = settingsFor("http://127.0.0.1:1/");

} // namespace

class IntegrationGameWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }
    void cleanup() { TURL::setOpener({}); }

    void windowsAreMadeInStartUpOrderAndStartHidden() {
        GameRun run(closedPort);
        QStringList order;
        for (QObject* child : run.main().children()) {
            if (auto* window = qobject_cast<QWidget*>(child); window && window->isWindow()) {
                order << QString::fromLatin1(window->metaObject()->className());
                QVERIFY(window->isHidden());
            }
        }
        QCOMPARE(order,
                 (QStringList{"Ttallylist", "Tabout", "Thelp", "Thighscore", "Tmultiplayer"}));
    }

    void menuItemsShowTheirWindowsAndTheLogoOpensTheAboutLink() {
        GameRun run(settingsFor("http://127.0.0.1:8123/"));
        QList<QUrl> opened;
        TURL::setOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        run.main().show();
        const std::pair<QAction*, QWidget*> items[] = {
            {menuItem(run.main(), "Help1"), &run.windows->help},
            {menuItem(run.main(), "About1"), &run.windows->about},
            {menuItem(run.main(), "ViewHighScoreList1"), &run.windows->highscore},
            {menuItem(run.main(), "ViewDailyBloomList1"), &run.windows->highscore}};
        for (const auto& [item, window] : items) {
            QVERIFY2(item->isEnabled(), qPrintable(item->objectName()));
            item->trigger();
            QVERIFY2(window->isVisible(), qPrintable(item->objectName()));
        }
        click(part<ClickLabel>(run.main(), "image_logo"));
        QCOMPARE(opened, QList<QUrl>{QUrl(run.windows->about.URL1->target())});
        QCOMPARE(opened.value(0).authority(), QStringLiteral("127.0.0.1:8123"));
    }

    // "View Daily Bloom List" shows the day's list in the high-score window, and the page asked
    // for last is the one shown, even while the other page is on its way.
    void theDailyListOpensInTheHighScoreWindow() {
        LocalServer server;
        QVERIFY(server.serving());
        GameRun run(settingsFor(server.root()));
        Thighscore& highscore = run.windows->highscore;
        const auto shows = [&highscore](const char* text) {
            return !highscore.getit->busy() &&
                   highscore.displayhtml->toPlainText().contains(QLatin1String(text));
        };
        // The all-time page links to the day's; only the day's is titled with the day.
        menuItem(run.main(), "ViewDailyBloomList1")->trigger();
        QVERIFY(highscore.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(shows("Daily Bloom 20"), 15000);
        menuItem(run.main(), "ViewHighScoreList1")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!shows("Daily Bloom 20"), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!highscore.getit->busy(), 15000);

        menuItem(run.main(), "ViewHighScoreList1")->trigger();
        QVERIFY(highscore.getit->busy());
        menuItem(run.main(), "ViewDailyBloomList1")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(shows("Daily Bloom 20"), 15000);
        QVERIFY(run.messages.isEmpty());
    }

    void sentScoreIsStoredAndShownInTheHighScoreWindow_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent");
        QTest::newRow("typed name") << "Rosa"
                                    << "Rosa";
        QTest::newRow("empty name") << ""
                                    << "Guest";
    }
    void sentScoreIsStoredAndShownInTheHighScoreWindow() {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        LocalServer server({"--post-limit", "0"});
        QVERIFY(server.serving());
        GameRun run(settingsFor(server.root()));
        run.main().show();
        const int score = run.finishGame();
        QVERIFY(score > 0);
        nameBox(run.main(), "edit_name")->setText(typed);
        click(button(run.main(), "button_sendscore"));
        // The name sent stays in the box.
        QCOMPARE(nameBox(run.main(), "edit_name")->text(), sent);
        QVERIFY(panel(run.main(), "panel_wait")->isVisible());

        Thighscore& highscore = run.windows->highscore;
        const auto page = [&] { return highscore.displayhtml->toPlainText(); };
        QVERIFY(QTest::qWaitFor([&] { return page().contains(sent); }, 20000));
        QVERIFY(highscore.isVisible());
        QVERIFY(page().contains(QString::number(score)));
        QVERIFY(panel(run.main(), "panel_cleared")->isHidden());
        QVERIFY(!run.watchdog().running());
        QVERIFY(run.messages.isEmpty());
    }

    void unansweredPostingCountsDownAndFailsOnce() {
        GameRun run(closedPort);
        run.main().show();
        run.finishGame();
        QCOMPARE(run.watchdog().interval(), 1000);
        QVERIFY(!run.watchdog().running());
        const QString before = run.waitCaption();
        click(button(run.main(), "button_sendscore"));
        QVERIFY(run.watchdog().running());
        QCOMPARE(run.waitCaption(), before);
        const QString wait = QStringLiteral("Posting Score, Please Wait");
        for (const char* dots : {".", "..", "...", "....", ".....", ".", ".."}) {
            run.ticks(1);
            QCOMPARE(run.waitCaption(), wait + QString::fromLatin1(dots));
        }
        run.ticks(32);
        QVERIFY(run.messages.isEmpty());
        run.ticks(1);
        QCOMPARE(run.messages, QStringList{"Posting Failed."});
        run.ticks(10);
        QCOMPARE(run.messages.size(), 1);
        QVERIFY(!run.watchdog().running());
        QVERIFY(panel(run.main(), "panel_wait")->isVisible());
    }

    // A server that answers but does not take the score (a bad name, too many postings, its
    // database away) fails the posting at once; the wait panel stays, as after the watchdog.
    void refusedPostingFailsAtOnce_data() {
        QTest::addColumn<QString>("status");
        QTest::newRow("429") << "429 Too Many Requests";
        QTest::newRow("400") << "400 Bad Request";
        QTest::newRow("503") << "503 Service Unavailable";
    }
    void refusedPostingFailsAtOnce() {
        QFETCH(QString, status);
        ScriptedHttpServer server(httpReply("<p>Slow down</p>", status.toStdString()));
        GameRun run(settingsFor(server.url("/")));
        run.main().show();
        run.finishGame();
        click(button(run.main(), "button_sendscore"));
        QVERIFY(QTest::qWaitFor([&] { return !run.messages.isEmpty(); }, 20000));
        QCOMPARE(run.messages, QStringList{"Posting Failed."});
        QVERIFY(!run.watchdog().running());
        QVERIFY(panel(run.main(), "panel_cleared")->isVisible());
        QVERIFY(panel(run.main(), "panel_wait")->isVisible());
        QVERIFY(!run.windows->highscore.isVisible());
        // Nothing more comes of it: no second message when the watchdog's time is up.
        run.ticks(45);
        QCOMPARE(run.messages.size(), 1);
        QCOMPARE(server.requestCount(), 1u);
    }

    void secondSendWhileTheFirstIsOutRestartsTheWaitOnly() {
        ScriptedHttpServer server(httpReply("<p>the list</p>"), ScriptedHttpServer::Start::held);
        GameRun run(settingsFor(server.url("/")));
        run.main().show();
        run.finishGame();
        click(button(run.main(), "button_sendscore"));
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }, 20000));
        run.ticks(10);
        click(button(run.main(), "button_sendscore"));
        // The watchdog starts from 40 again: no failure at 40 ticks from the first SEND SCORE.
        run.ticks(39);
        QVERIFY(run.messages.isEmpty());
        run.ticks(1);
        QCOMPARE(run.messages, QStringList{"Posting Failed."});

        // The first posting's late answer completes the wait: the window opens and loads the
        // page, and the same posting is not sent a second time.
        server.release();
        QVERIFY(QTest::qWaitFor([&] { return run.windows->highscore.isVisible(); }, 20000));
        QVERIFY(panel(run.main(), "panel_cleared")->isHidden());
        const auto asked = [&](const char* start) {
            const std::vector<std::string> requests = server.requests();
            return std::count_if(requests.begin(), requests.end(),
                                 [&](const std::string& r) { return r.starts_with(start); });
        };
        QVERIFY(QTest::qWaitFor([&] { return asked("GET /counter/bloomzap.shtml ") == 1; }, 20000));
        // The second SEND SCORE asked for the very posting that was taken: nothing more goes,
        // however long the window stays open.
        QVERIFY(QTest::qWaitFor(
            [&] { return run.windows->highscore.displayhtml->toPlainText().contains("the list"); },
            20000));
        QTest::qWait(500);
        QVERIFY(!run.main().scoreSubmission().request().busy());
        const std::vector<std::string> requests = server.requests();
        QString heard;
        for (const std::string& request : requests) {
            heard += QString::fromStdString(request.substr(0, request.find('\r'))) + "\n";
        }
        QVERIFY2(requests.size() == 2, qPrintable(heard));
        QVERIFY2(requests[0].starts_with("GET /cgi-bin/bloomzap.cgi?name=Guest&"),
                 qPrintable(heard));
        QVERIFY2(requests[1].starts_with("GET /counter/bloomzap.shtml "), qPrintable(heard));
    }

    void updateCheckRunsOnFirstShowWhenSwitchedOn_data() {
        QTest::addColumn<bool>("switchedOn");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void updateCheckRunsOnFirstShowWhenSwitchedOn() {
        QFETCH(bool, switchedOn);
        LocalServer server({"--post-limit", "0", "--version-text", "1.0.1"});
        QVERIFY(server.serving());
        GameRun run(settingsFor(server.root(), switchedOn));
        auto* checkupdate = run.main().findChild<THTTPGet*>(QStringLiteral("checkupdate"));
        QVERIFY(checkupdate != nullptr);
        QVERIFY(!checkupdate->busy());
        run.main().show();
        // The check starts as the window is shown, or not at all.
        QCOMPARE(checkupdate->busy(), switchedOn);
        if (switchedOn) {
            QVERIFY(QTest::qWaitFor([&] { return panel(run.main(), "panel_update")->isVisible(); },
                                    20000));
            QCOMPARE(run.windows->about.version->text(), QStringLiteral("1.0.0"));
        }
        // Showing the window again starts no second check.
        run.main().hide();
        run.main().show();
        QVERIFY(!checkupdate->busy());
    }
};

QTEST_MAIN(IntegrationGameWindowsTest)
#include "IntegrationGameWindowsTest.moc"
