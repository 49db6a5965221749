// The game window on a virtual clock: keyboard play, and the pause when it is minimised.

#include "app/NameBox.h"
#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/view/BoardView.h"
#include "engine/view/TileList.h"
#include "tests/app/TmainParts.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <vector>

namespace {

// A key as the player types it: through the window system to whatever has the focus.
void press(QWidget* window, Qt::Key key) {
    QTest::keyClick(window->windowHandle(), key);
}

// What the player does at a tick of the game: click a cell, or the pause button.
struct Move {
    int tick;
    QPoint cell; // null: PAUSE GAME / RESUME
};

// The game's moves: a pause and a resume early on, then a group whenever a click counts.
constexpr int pauseTick = 150, resumeTick = 900;

bool isWhite(QRgb p) {
    return p == qRgb(255, 255, 255);
}

} // namespace

class TmainKeysAndAwayTest : public QObject {
    Q_OBJECT

private:
    FreshWindows m_windows;

    std::unique_ptr<Tmain> makeWindow() { return m_windows.make(); }

private slots:
    void initTestCase() {
        installFontSubstitutes();
        QVERIFY(m_windows.ready());
    }

    // The same moves made with the mouse and with the keyboard give the same game.
    void aWholeGameFromTheKeyboardScoresAsTheSameClicks() {
        std::vector<Move> moves;
        int mouseScore = 0;
        {
            auto main = makeWindow();
            nameBox(*main, "edit_aname")->setText(QStringLiteral("Kim"));
            click(button(*main, "button_namedone"));
            click(button(*main, "button_start"));
            const GameState& state = main->game().state();
            for (int tick = 0; tick < 400000 && state.gamerunning; ++tick) {
                m_windows.clock().advance(10);
                if (tick == pauseTick || tick == resumeTick) {
                    click(button(*main, "button_pause"));
                    moves.push_back({tick, QPoint()});
                    continue;
                }
                if (!state.linesettled || state.removing || state.blinking || state.paused) {
                    continue;
                }
                const QPoint cell = findGroup(state);
                if (cell.isNull()) {
                    continue;
                }
                QTest::mouseRelease(board(*main), Qt::LeftButton, {},
                                    QPoint((cell.x() - 1) * 32 + 16, (cell.y() - 1) * 32 + 16));
                QVERIFY(state.removing);
                moves.push_back({tick, cell});
            }
            QVERIFY(!state.gamerunning);
            mouseScore = state.score;
        }
        QVERIFY(moves.size() > 12);
        QVERIFY(mouseScore > 0);

        auto main = makeWindow();
        QVERIFY(QTest::qWaitForWindowActive(main.get()));
        // The name by the keyboard: Return is DONE.
        nameBox(*main, "edit_aname")->setFocus();
        nameBox(*main, "edit_aname")->selectAll();
        QTest::keyClicks(nameBox(*main, "edit_aname"), "Kim");
        press(main.get(), Qt::Key_Return);
        QVERIFY(panel(*main, "panel_name")->isHidden());
        QCOMPARE(main->playerName(), QStringLiteral("Kim"));
        BoardView* board = ::board(*main);
        QVERIFY(!board->cursorShown()); // Return in the name box is not a board key
        click(button(*main, "button_start"));

        // No cursor until the first arrow key; then a white frame that no tile has.
        const qreal ratio = board->devicePixelRatioF();
        const auto cellImage = [&](int c, int r) {
            const int size = qRound(32 * ratio);
            return board->grab().toImage().copy((c - 1) * size, (r - 1) * size, size, size);
        };
        QVERIFY(!isWhite(cellImage(1, 10).pixel(0, 0)));
        press(main.get(), Qt::Key_Up);
        QVERIFY(board->cursorShown());
        QCOMPARE(QPoint(board->cursorColumn(), board->cursorRow()), QPoint(1, 10));
        for (int t = 0; t < rules::tileCount; ++t) {
            const QImage tile = board->images_flowers().tile(t, ratio);
            for (int y = 0; y < tile.height(); ++y) {
                for (int x = 0; x < tile.width(); ++x) {
                    QVERIFY(!isWhite(tile.pixel(x, y)));
                }
            }
        }
        const QImage marked = cellImage(1, 10);
        for (const QPoint at : {QPoint(0, 0), QPoint(marked.width() - 1, marked.height() / 2),
                                QPoint(marked.width() / 2, marked.height() - 1)}) {
            QVERIFY(isWhite(marked.pixel(at)));
        }

        const GameState& state = main->game().state();
        size_t next = 0;
        bool space = true;
        for (int tick = 0; tick < 400000 && state.gamerunning; ++tick) {
            m_windows.clock().advance(10);
            if (next == moves.size() || moves[next].tick != tick) {
                continue;
            }
            const Move move = moves[next++];
            if (move.cell.isNull()) {
                press(main.get(), Qt::Key_P);
                QCOMPARE(state.paused, tick == pauseTick);
                QCOMPARE(panel(*main, "panel_paused")->isVisible(), tick == pauseTick);
                continue;
            }
            while (board->cursorColumn() != move.cell.x()) {
                press(main.get(),
                      board->cursorColumn() < move.cell.x() ? Qt::Key_Right : Qt::Key_Left);
            }
            while (board->cursorRow() != move.cell.y()) {
                press(main.get(), board->cursorRow() < move.cell.y() ? Qt::Key_Down : Qt::Key_Up);
            }
            press(main.get(), space ? Qt::Key_Space : Qt::Key_Return);
            space = !space;
            QVERIFY2(state.removing, qPrintable(QStringLiteral("move %1").arg(next)));
        }
        QCOMPARE(next, moves.size());
        QVERIFY(!state.gamerunning);
        QCOMPARE(state.score, mouseScore);
        QCOMPARE(label(*main, "label_score")->text(), QString::number(mouseScore));

        // After game over P does nothing: the pause button is off.
        press(main.get(), Qt::Key_P);
        QVERIFY(!state.paused);
        QVERIFY(panel(*main, "panel_paused")->isHidden());
    }

    // Keys on a covered cell do what a click there does: nothing reaches the board.
    // A panel that appears takes the keys to its first control; Tab goes through its controls
    // as they are read; when it goes the keys go back to the board, or to the panel still
    // shown. Tab reaches START GAME and the logo from the board.
    void eachPanelTakesTheKeysAndGivesThemBack() {
        auto main = makeWindow();
        QVERIFY(QTest::qWaitForWindowActive(main.get()));
        BoardView* board = ::board(*main);
        const auto focus = [] { return QApplication::focusWidget(); };
        QCOMPARE(focus(), nameBox(*main, "edit_aname"));
        press(main.get(), Qt::Key_Tab);
        QCOMPARE(focus(), button(*main, "button_namedone"));
        press(main.get(), Qt::Key_Tab);
        QCOMPARE(focus(), button(*main, "button_namecancel"));
        press(main.get(), Qt::Key_Space);
        QVERIFY(panel(*main, "panel_name")->isHidden());
        QCOMPARE(focus(), board);

        // PAUSE GAME is off: Tab goes on to START GAME, then to the logo.
        press(main.get(), Qt::Key_Tab);
        QCOMPARE(focus(), button(*main, "button_start"));
        press(main.get(), Qt::Key_Tab);
        QCOMPARE(focus(), part<QWidget>(*main, "image_logo"));
        press(main.get(), Qt::Key_Backtab);
        press(main.get(), Qt::Key_Return);
        GameState& state = main->game().state();
        QVERIFY(state.gamerunning);
        QCOMPARE(focus(), board);

        press(main.get(), Qt::Key_P);
        QVERIFY(state.paused);
        QCOMPARE(focus(), button(*main, "button_resume"));
        press(main.get(), Qt::Key_Space);
        QVERIFY(!state.paused);
        QCOMPARE(focus(), board);

        // Two panels: the one on top has the keys, then the one under it.
        menuItem(*main, "ChangeName1")->trigger();
        QCOMPARE(focus(), nameBox(*main, "edit_aname"));
        main->game().endgame();
        QCOMPARE(focus(), nameBox(*main, "edit_name"));
        for (const char* next : {"button_sendscore", "button_viewhighscores", "button_done"}) {
            press(main.get(), Qt::Key_Tab);
            QCOMPARE(focus(), button(*main, next));
        }
        press(main.get(), Qt::Key_Return);
        QVERIFY(panel(*main, "panel_cleared")->isHidden());
        QCOMPARE(focus(), nameBox(*main, "edit_aname"));
        press(main.get(), Qt::Key_Escape);
        click(button(*main, "button_namecancel"));
        QCOMPARE(focus(), board);
    }

    void theCursorDoesNotClickUnderAPanel() {
        auto main = makeWindow();
        click(button(*main, "button_namedone"));
        click(button(*main, "button_start"));
        GameState& state = main->game().state();
        // A pair in row 5, where the name panel lies over the board.
        state.cells[4][5] = 1;
        state.cells[5][5] = 1;
        main->game().boardPaint();
        BoardView* board = ::board(*main);
        press(main.get(), Qt::Key_Right);
        for (int k = 0; k < 3; ++k) {
            press(main.get(), Qt::Key_Right);
        }
        for (int k = 0; k < 5; ++k) {
            press(main.get(), Qt::Key_Up);
        }
        QCOMPARE(QPoint(board->cursorColumn(), board->cursorRow()), QPoint(4, 5));
        menuItem(*main, "ChangeName1")->trigger();
        main->setFocus(); // the player has not clicked into the name box
        press(main.get(), Qt::Key_Space);
        QVERIFY(!state.removing);
        // Typing a name takes the keys; its Return is DONE and clicks nothing on the board.
        nameBox(*main, "edit_aname")->setFocus();
        nameBox(*main, "edit_aname")->selectAll();
        for (const Qt::Key key : {Qt::Key_P, Qt::Key_I, Qt::Key_A, Qt::Key_Up, Qt::Key_Return}) {
            press(main.get(), key);
        }
        QVERIFY(panel(*main, "panel_name")->isHidden());
        QCOMPARE(main->playerName(), QStringLiteral("pia"));
        QVERIFY(!state.paused);
        QCOMPARE(QPoint(board->cursorColumn(), board->cursorRow()), QPoint(4, 5));
        QVERIFY(!state.removing);
        // The panel gone, the keys play again.
        press(main.get(), Qt::Key_Space);
        QVERIFY(state.removing);
        // A click with the mouse puts the cursor away until the next arrow key.
        QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!board->cursorShown());
    }

    void minimisingPausesARunningGameOnly() {
        auto main = makeWindow();
        const GameState& state = main->game().state();
        TSelButton* pause = button(*main, "button_pause");

        // No game yet: nothing happens.
        main->showMinimized();
        QVERIFY(!state.paused);
        QVERIFY(panel(*main, "panel_paused")->isHidden());
        main->showNormal();

        // A running game pauses as PAUSE GAME does, and no line comes while the window is away.
        click(button(*main, "button_namedone"));
        click(button(*main, "button_start"));
        const auto before = state.cells;
        main->showMinimized();
        QVERIFY(state.paused);
        QVERIFY(panel(*main, "panel_paused")->isVisible());
        QCOMPARE(pause->Caption(), QStringLiteral("RESUME"));
        m_windows.clock().advance(12000);
        QVERIFY(state.cells == before);
        // Coming back leaves it paused until RESUME.
        main->showNormal();
        QVERIFY(state.paused);
        click(button(*main, "button_resume"));
        QVERIFY(!state.paused);
        QCOMPARE(pause->Caption(), QStringLiteral("PAUSE GAME"));
        // Other changes of the window's state leave the game running.
        main->showMaximized();
        main->showNormal();
        QVERIFY(!state.paused);
        m_windows.clock().advance(3100);
        QVERIFY(!(state.cells == before)); // lines fall again

        // Already paused by hand: minimising keeps it paused (it does not toggle).
        click(pause);
        main->showMinimized();
        QVERIFY(state.paused);
        QCOMPARE(pause->Caption(), QStringLiteral("RESUME"));
        main->showNormal();
        click(pause);
        QVERIFY(!state.paused);

        // Game over: nothing changes.
        while (state.gamerunning) {
            m_windows.clock().advance(1000);
        }
        main->showMinimized();
        QVERIFY(!state.paused);
        QVERIFY(panel(*main, "panel_paused")->isHidden());
        QVERIFY(panel(*main, "panel_cleared")->isVisible());
        QCOMPARE(pause->Caption(), QStringLiteral("PAUSE GAME"));
    }
};

BLOOMZAP_QTEST(TmainKeysAndAwayTest);
#include "TmainKeysAndAwayTest.moc"
