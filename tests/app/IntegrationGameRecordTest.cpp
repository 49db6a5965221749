// Games played through the game window on the virtual clock, recorded on a ticket and played
// again from the record: mouse, keyboard, the pause buttons and the P key all replay exactly.

#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/GameRecorder.h"
#include "engine/GameReplay.h"
#include "engine/Ticket.h"
#include "online/VerifiedGames.h"
#include "tests/app/TmainParts.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/VirtualClock.h"
#include "widgets/FontSubstitutes.h"

#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <algorithm>

namespace {

const std::string ticket = "1.00112233445566778899aabbccddeeff.0badc0ffee15900d.1796601600."
                           "aabbccddeeff00112233445566778899aabbccddeeff00112233445566778899";

} // namespace

class IntegrationGameRecordTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    VirtualClock m_clock;
    testsupport::RecordingOutput m_sounds;

    std::unique_ptr<Tmain> makeWindow() {
        return shownWindow(quietEnvironment(
            m_clock, m_sounds, std::filesystem::path(m_folder.path().toStdString()), 424242));
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
};

BLOOMZAP_QTEST(IntegrationGameRecordTest);
#include "IntegrationGameRecordTest.moc"
