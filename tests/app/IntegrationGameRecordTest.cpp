// Games played through the game window on the virtual clock, recorded on a ticket and played
// again from the record: mouse, keyboard, the pause buttons and the P key all replay exactly;
// and such a record watched on the window's board from a watch link of the high-score window.

#include "app/ReplayWatch.h"
#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/GameRecorder.h"
#include "engine/GameReplay.h"
#include "engine/ReplayPlayback.h"
#include "engine/Ticket.h"
#include "online/HTTPGet.h"
#include "online/VerifiedGames.h"
#include "online/highscoreform.h"
#include "tally/TallyCalendar.h"
#include "tally/TallyStore.h"
#include "tally/tallylistform.h"
#include "tests/app/TmainParts.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/FontSubstitutes.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <array>
#include <vector>

namespace {

const std::string ticket = "1.00112233445566778899aabbccddeeff.0badc0ffee15900d.1796601600."
                           "aabbccddeeff00112233445566778899aabbccddeeff00112233445566778899";

// The window shows what the engine drew (cells it has not drawn yet are not asked about).
bool showsDrawn(const Cells& shown, const Cells& drawn) {
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (drawn.at(i) != -1 && drawn.at(i) != shown.at(i)) {
            return false;
        }
    }
    return true;
}

class FixedDate : public TallyCalendar {
public:
    std::string shortDate() override { return "12/8/26"; }
};

} // namespace

class IntegrationGameRecordTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    VirtualClock m_clock;
    testsupport::RecordingOutput m_sounds;

    FixedDate m_date;
    std::optional<GameRecord> m_record; // Ann's game, played once

    std::unique_ptr<Tmain> makeWindow() {
        return shownWindow(quietEnvironment(
            m_clock, m_sounds, std::filesystem::path(m_folder.path().toStdString()), 424242));
    }

    // A window whose settings name this site, its messages kept in `messages`.
    std::unique_ptr<Tmain> windowOn(const std::string& siteRoot, QStringList& messages) {
        const std::filesystem::path folder(m_folder.path().toStdString());
        testsupport::writeFile(folder / "bloomzap.ini",
                               "[bloomzap]\r\nSite=" + siteRoot + "\r\nUpdate=false\r\n");
        MainEnvironment environment = quietEnvironment(m_clock, m_sounds, folder, 99);
        environment.showMessage = [&messages](const QString& text) { messages << text; };
        return shownWindow(environment);
    }

    // The record of a whole game played in a window on a ticket, named as SEND SCORE names it.
    const GameRecord& annsRecord() {
        if (!m_record) {
            auto main = makeWindow();
            main->verifiedGames().holdTicket(ticket);
            playGame(*main);
            m_record = main->recorder().finished();
            m_record->name = "Ann";
            m_record->date = "12/8/26";
        }
        return *m_record;
    }

    // Plays one game through the window to its end, clicking the first group it finds by mouse
    // and by keyboard in turn, pausing with both buttons and the P key. Returns the final score.
    int playGame(Tmain& main) {
        click(button(main, "button_start"));
        const GameState& state = main.game().state();
        BoardView* view = board(main);
        int clicks = 0;
        for (int tick = 0; tick < 400000 && state.gamerunning; ++tick) {
            m_clock.advance(10);
            switch (tick) {
            case 150: // PAUSE GAME, then RESUME on the pause panel
            case 2300:
                click(button(main, "button_pause"));
                break;
            case 420:
                click(button(main, "button_resume"));
                break;
            case 1200: // P twice
            case 1377:
                QTest::keyClick(main.windowHandle(), Qt::Key_P);
                break;
            case 2555: // RESUME by the pause button itself
                click(button(main, "button_pause"));
                break;
            default:
                break;
            }
            // A click while a line falls counts for nothing; it is made all the same.
            if (tick % 97 == 0 && !state.linesettled) {
                QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(100, 300));
            }
            if (!state.linesettled || state.removing || state.blinking || state.paused ||
                tick % 13 != 0) {
                continue;
            }
            const QPoint cell = findGroup(state);
            if (cell.isNull()) {
                continue;
            }
            if (++clicks % 2 == 0) {
                QTest::mouseRelease(view, Qt::LeftButton, {},
                                    QPoint((cell.x() - 1) * 32 + clicks % 32,
                                           (cell.y() - 1) * 32 + (clicks * 7) % 32));
            } else {
                // The keyboard cursor, from wherever it is, onto the cell, then Space.
                QTest::keyClick(main.windowHandle(), Qt::Key_Left);
                while (view->cursorColumn() != cell.x()) {
                    QTest::keyClick(main.windowHandle(),
                                    view->cursorColumn() < cell.x() ? Qt::Key_Right : Qt::Key_Left);
                }
                while (view->cursorRow() != cell.y()) {
                    QTest::keyClick(main.windowHandle(),
                                    view->cursorRow() < cell.y() ? Qt::Key_Down : Qt::Key_Up);
                }
                QTest::keyClick(main.windowHandle(), Qt::Key_Space);
            }
        }
        return state.score;
    }

private slots:
    void initTestCase() {
        installFontSubstitutes();
        QVERIFY(m_folder.isValid());
    }

    void aGamePlayedOnATicketReplaysToItsScore() {
        auto main = makeWindow();
        // Time passes before the game: its ticks still lie on a grid from its own start.
        m_clock.advance(12'347);
        main->verifiedGames().holdTicket(ticket);
        const int score = playGame(*main);
        QVERIFY(!main->game().state().gamerunning);
        QVERIFY(score > 0);

        const std::optional<GameRecord>& record = main->recorder().finished();
        QVERIFY(record);
        QCOMPARE(record->ticket, ticket);
        QCOMPARE(record->score, score);
        QCOMPARE(record->lastRound, main->game().lastRound());
        const auto pauses =
            std::count_if(record->events.begin(), record->events.end(), [](const RecordedEvent& e) {
                return e.kind != RecordedEvent::Kind::click;
            });
        QCOMPARE(pauses, 6);
        QVERIFY(record->events.size() > 20);

        const std::uint64_t seed = parseTicket(ticket)->seed;
        const ReplayResult replay = replayGame(*readRecord(writeRecord(*record)), seed);
        QVERIFY2(replay.matches, replay.refusal.c_str());
        QCOMPARE(replay.score, score);
        QCOMPARE(replay.lastRound, main->game().lastRound());
        QCOMPARE(replay.endedAt, record->endedAt);

        // The flowers came from the ticket: the same record on another seed does not end so.
        QVERIFY(!replayGame(*record, seed + 1).matches);

        // The ticket was used up: the next game plays on the local seed and is not recorded.
        playGame(*main);
        QVERIFY(!main->recorder().finished());
    }

    void aWatchedRecordDrawsEveryBoardOfTheEngineReplayAndLeavesTheGameAsItWas() {
        const GameRecord& record = annsRecord();
        QVERIFY(record.score > 0);
        const std::uint64_t seed = parseTicket(ticket)->seed;
        DrawnBoards engine;
        QVERIFY(replayGame(record, seed, defaultMaxReplayMs, {&engine}).matches);

        testsupport::ScriptedHttpServer site(testsupport::httpReply(writeRecord(record)));
        testsupport::ScriptedHttpServer elsewhere(testsupport::httpReply(writeRecord(record)));
        QStringList messages;
        auto main = windowOn(site.url("/"), messages);
        const std::filesystem::path folder(m_folder.path().toStdString());
        // The tally list keeps its record in memory and writes it when it goes.
        auto tallylist = std::make_unique<Ttallylist>(main.get(), folder, &m_date);
        main->setTally(&tallylist->tallycalls());
        const auto writeTally = [&] {
            main->setTally(nullptr);
            tallylist.reset();
            const std::string bytes = testsupport::readFile(folder / TallyStore::fileName);
            tallylist = std::make_unique<Ttallylist>(main.get(), folder, &m_date);
            main->setTally(&tallylist->tallycalls());
            return bytes;
        };
        Thighscore highscore(main.get(), site.url("/"));
        main->setHighScoreWindow(&highscore);

        // A game of this window runs.
        click(button(*main, "button_start"));
        m_clock.advance(9000);
        Game& game = main->game();
        QVERIFY(game.state().gamerunning && !game.state().paused);
        const Cells before = shownOn(*board(*main));
        const GameState stateBefore = game.state();
        const std::string tallyBefore = writeTally();
        QVERIFY(!tallyBefore.empty());

        // A watch link of another site is not followed; one of the game's own site is.
        highscore.displayhtmlHotSpotClick(QString::fromStdString(elsewhere.url("/")) +
                                          "bloomzap/watch?id=7");
        highscore.displayhtmlHotSpotClick(QStringLiteral("/bloomzap/watch?id=7"));
        ReplayWatch& watch = main->replayWatch();
        QVERIFY(QTest::qWaitFor([&] { return watch.watching() || !messages.isEmpty(); }, 20000));
        QCOMPARE(messages, QStringList());
        QCOMPARE(elsewhere.requestCount(), std::size_t(0));
        QCOMPARE(site.requestCount(), std::size_t(1));
        QVERIFY(site.requests().front().starts_with("GET /bloomzap/watch?id=7 HTTP/1.0\r\n"));

        // The game was paused first; the panel says whose game this is.
        QVERIFY(game.state().paused);
        QVERIFY(panel(*main, "panel_watch")->isVisible());
        QVERIFY(!panel(*main, "panel_paused")->isVisible());
        QCOMPARE(label(*main, "label_watch")->text(),
                 QStringLiteral("Watching Ann's game: %1").arg(record.score));
        QVERIFY(panel(*main, "panel_watch")->isAncestorOf(QApplication::focusWidget()));

        // Every board the window shows comes, in order, among the engine's; clicks, keys and
        // the game's own buttons meanwhile change nothing.
        BoardView* view = board(*main);
        std::size_t at = 0;
        int steps = 0;
        const auto followsEngine = [&] {
            const Cells shown = shownOn(*view);
            while (at < engine.boards.size() && !showsDrawn(shown, engine.boards[at])) {
                ++at;
            }
            return at < engine.boards.size();
        };
        QVERIFY(followsEngine());
        do {
            QVERIFY2(followsEngine(), qPrintable(QStringLiteral("after step %1").arg(steps)));
            if (++steps % 50 == 0) {
                const GameState& watched = watch.playback()->game().state();
                const QPoint cell = findGroup(watched);
                if (!cell.isNull()) {
                    QTest::mouseRelease(view, Qt::LeftButton, {},
                                        QPoint((cell.x() - 1) * 32 + 16, (cell.y() - 1) * 32 + 16));
                    QTest::keyClick(main->windowHandle(), Qt::Key_Space);
                }
                QTest::keyClick(main->windowHandle(), Qt::Key_P);
                click(button(*main, "button_start"));
                menuItem(*main, "StartGame1")->trigger();
            }
            if (steps == 300) {
                // The watch's own pause holds it; 4x changes nothing drawn.
                click(button(*main, "button_watchpause"));
                QVERIFY(watch.held() && !watch.step());
                click(button(*main, "button_watchpause"));
                click(button(*main, "button_watch4x"));
                QCOMPARE(watch.speed(), ReplayWatch::fastSpeed);
            }
        } while (watch.step());
        QVERIFY(steps > 100);
        QCOMPARE(shownOn(*view), engine.boards.back());
        QCOMPARE(watch.playback()->game().state().score, record.score);
        QCOMPARE(label(*main, "label_watchscore")->text(),
                 QStringLiteral("Score so far: %1").arg(record.score));

        // Nothing went to the tally, the game or the server.
        QCOMPARE(writeTally(), tallyBefore);
        QVERIFY(game.state().paused && game.state().gamerunning);
        QCOMPARE(game.state().score, stateBefore.score);
        QVERIFY(game.state().cells == stateBefore.cells);
        QCOMPARE(site.requestCount(), std::size_t(1));

        // Another watch link takes the place of this watch; the game stays set aside meanwhile.
        QSignalSpy ended(&watch, &ReplayWatch::ended);
        highscore.displayhtmlHotSpotClick(QStringLiteral("/bloomzap/watch?id=8"));
        QVERIFY(QTest::qWaitFor([&] { return site.requestCount() == 2 && !watch.fetch().busy(); },
                                20000));
        QVERIFY(watch.watching() && watch.playback()->now() == 0);
        QCOMPARE(ended.count(), 0);
        QVERIFY(game.state().paused);

        // CLOSE: the game's board as it was, and the game resumed.
        click(button(*main, "button_watchclose"));
        QVERIFY(!watch.watching());
        QCOMPARE(ended.count(), 1);
        QVERIFY(!panel(*main, "panel_watch")->isVisible());
        QCOMPARE(shownOn(*view), before);
        QVERIFY(!game.state().paused && game.state().gamerunning);
        QVERIFY(button(*main, "button_pause")->Enabled());
        QVERIFY(menuItem(*main, "StartGame1")->isEnabled());
        QVERIFY(view->game() == &game);
        // The board takes clicks again.
        for (int tick = 0; tick < 1000 && (!game.state().linesettled || game.state().removing);
             ++tick) {
            m_clock.advance(10);
        }
        const QPoint cell = findGroup(game.state());
        QVERIFY(!cell.isNull());
        QTest::mouseRelease(view, Qt::LeftButton, {},
                            QPoint((cell.x() - 1) * 32 + 16, (cell.y() - 1) * 32 + 16));
        QVERIFY(game.state().removing);
        main->setHighScoreWindow(nullptr);
        main->setTally(nullptr);
    }

    void onRealTimeTheWatchRunsByItselfAndItsPauseHoldsIt() {
        const GameRecord& record = annsRecord();
        testsupport::ScriptedHttpServer site(testsupport::httpReply(writeRecord(record)));
        QStringList messages;
        const std::filesystem::path folder(m_folder.path().toStdString());
        testsupport::writeFile(folder / "bloomzap.ini",
                               "[bloomzap]\r\nSite=" + site.url("/") + "\r\nUpdate=false\r\n");
        MainEnvironment environment = quietEnvironment(m_clock, m_sounds, folder, 99);
        environment.showMessage = [&messages](const QString& text) { messages << text; };
        environment.clockToNow = [] {}; // the watch follows real time
        auto main = shownWindow(environment);
        Thighscore highscore(main.get(), site.url("/"));
        main->setHighScoreWindow(&highscore);

        highscore.displayhtmlHotSpotClick(QStringLiteral("/bloomzap/watch?id=1"));
        ReplayWatch& watch = main->replayWatch();
        QTRY_VERIFY_WITH_TIMEOUT(watch.watching() || !messages.isEmpty(), 20000);
        QVERIFY(watch.watching());
        QTRY_VERIFY_WITH_TIMEOUT(watch.playback()->now() > 0, 20000);
        click(button(*main, "button_watch4x"));
        const std::int64_t fast = watch.playback()->now();
        QTRY_VERIFY_WITH_TIMEOUT(watch.playback()->now() > fast, 20000);

        click(button(*main, "button_watchpause"));
        QCOMPARE(button(*main, "button_watchpause")->Caption(), QStringLiteral("RESUME"));
        const std::int64_t held = watch.playback()->now();
        QTest::qWait(300);
        QCOMPARE(watch.playback()->now(), held);
        click(button(*main, "button_watchpause"));
        QCOMPARE(button(*main, "button_watchpause")->Caption(), QStringLiteral("PAUSE"));
        QTRY_VERIFY_WITH_TIMEOUT(watch.playback()->now() > held, 20000);
        click(button(*main, "button_watchclose"));
        QVERIFY(!watch.watching());
        QCOMPARE(messages, QStringList());
        main->setHighScoreWindow(nullptr);
    }

    void aRecordThatDoesNotEndAsItSaysIsRefusedWithAMessage_data() {
        QTest::addColumn<std::string>("body");
        QTest::addColumn<QString>("message");
        GameRecord tampered = annsRecord();
        tampered.score += 10;
        QTest::newRow("tampered score")
            << writeRecord(tampered)
            << QStringLiteral(
                   "The replay does not play back to its score of %1, so it is not shown.")
                   .arg(tampered.score);
        GameRecord later = annsRecord();
        later.endedAt += 1;
        QTest::newRow("another end") << writeRecord(later)
                                     << QStringLiteral("The replay does not play back to its "
                                                       "score of %1, so it is not shown.")
                                            .arg(later.score);
        QTest::newRow("not a record") << std::string("bloomzap record 1\nticket x\n")
                                      << QStringLiteral("The replay cannot be read.");
    }

    void aRecordThatDoesNotEndAsItSaysIsRefusedWithAMessage() {
        QFETCH(std::string, body);
        QFETCH(QString, message);
        testsupport::ScriptedHttpServer site(testsupport::httpReply(body));
        QStringList messages;
        auto main = windowOn(site.url("/"), messages);
        Thighscore highscore(main.get(), site.url("/"));
        main->setHighScoreWindow(&highscore);
        click(button(*main, "button_start"));
        m_clock.advance(5000);
        const Cells before = shownOn(*board(*main));

        highscore.displayhtmlHotSpotClick(QString::fromStdString(site.url("/bloomzap/watch?id=3")));
        QVERIFY(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 20000));
        QCOMPARE(messages, QStringList{message});
        QVERIFY(!main->replayWatch().watching());
        QVERIFY(!panel(*main, "panel_watch")->isVisible());
        // The game never stopped.
        QVERIFY(main->game().state().gamerunning && !main->game().state().paused);
        QCOMPARE(shownOn(*board(*main)), before);
        main->setHighScoreWindow(nullptr);
    }
};

BLOOMZAP_QTEST(IntegrationGameRecordTest);
#include "IntegrationGameRecordTest.moc"
