// The board widget offscreen: tiles, repaints, single-cell drawing and mouse releases.

#include "engine/view/BoardView.h"
#include "engine/Game.h"
#include "engine/GameRules.h"
#include "engine/RandomSource.h"
#include "engine/realtime/QtGameTimer.h"
#include "tests/support/Fakes.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/VirtualClock.h"

#include <QtTest>

namespace {

// rows[0] is row 1; '.' empty, '1' to '6' a colour.
void setBoard(Game& game, const QStringList& rows) {
    for (int r = 1; r <= 10; ++r) {
        for (int c = 1; c <= 10; ++c) {
            const QChar ch = rows.at(r - 1).at(c - 1);
            game.state().cells[c][r] = ch == u'.' ? 0 : ch.digitValue();
        }
    }
    game.boardPaint();
}

const QStringList pairsboard = {"..........", "..........", "..........", "..........",
                                "..........", "..........", "..........", "..........",
                                "3312121212", "5521212121"};

// A game on its board, driven by the given timers; the board shown on screen.
struct BoardGame {
    explicit BoardGame(TimerFactory& timers) : game(view, window, timers, random) {
        view.setGame(&game);
    }
    bool show() {
        view.show();
        return QTest::qWaitForWindowExposed(&view);
    }
    // Shows the board and presses START GAME; false when the board never came on screen.
    bool showAndStart() {
        if (!show()) {
            return false;
        }
        game.button_startClick("Tester");
        return true;
    }
    SeededRandom random{3};
    testsupport::NullDisplay window;
    BoardView view;
    Game game;
};

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

int brightness(QRgb p) {
    return qRed(p) + qGreen(p) + qBlue(p);
}

QImage cellOf(const QImage& board, int c, int r, qreal ratio) {
    const int size = qRound(32 * ratio);
    return board.copy((c - 1) * size, (r - 1) * size, size, size);
}

// The first cell of the image that does not show the tile of the grid, or "" when all do.
QString mismatch(const BoardView& view, const Game& game, const QImage& image) {
    const qreal ratio = view.devicePixelRatioF();
    for (int c = 1; c <= 10; ++c) {
        for (int r = 1; r <= 10; ++r) {
            const int t = game.state().cells[c][r];
            if (!samePixels(cellOf(image, c, r, ratio), view.images_flowers().tile(t, ratio))) {
                return QStringLiteral("cell %1,%2 tile %3").arg(c).arg(r).arg(t);
            }
        }
    }
    return {};
}

} // namespace

class BoardViewTest : public QObject {
    Q_OBJECT

private slots:
    void tilesAreLoadedAtBothSizes() {
        TileList tiles;
        for (int t = 0; t < rules::tileCount; ++t) {
            QCOMPARE(tiles.tile(t, 1.0).size(), QSize(32, 32));
            QCOMPARE(tiles.tile(t, 2.0).size(), QSize(64, 64));
            QCOMPARE(tiles.tile(t, 2.0).devicePixelRatio(), 2.0);
            QVERIFY(!tiles.tile(t).hasAlphaChannel());
        }
        for (int t : {0, 7, 8}) {
            for (qreal ratio : {1.0, 2.0}) {
                QImage black(tiles.tile(t, ratio).size(), QImage::Format_RGB32);
                black.fill(Qt::black);
                QVERIFY2(samePixels(tiles.tile(t, ratio), black), qPrintable(QString::number(t)));
            }
        }
    }

    void flowerTilesHaveTheirColours_data() {
        QTest::addColumn<int>("tile");
        QTest::addColumn<QColor>("outline");
        QTest::addColumn<QColor>("petal");
        QTest::newRow("blue") << 1 << QColor(0x21, 0x21, 0x73) << QColor(0x21, 0x21, 0xD6);
        QTest::newRow("orange") << 2 << QColor(0xC6, 0x5A, 0x00) << QColor(0xE7, 0x94, 0x42);
        QTest::newRow("green") << 3 << QColor(0x10, 0x84, 0x10) << QColor(0x52, 0xD6, 0x52);
        QTest::newRow("red") << 4 << QColor(0xEF, 0x08, 0x08) << QColor(0xFF, 0x52, 0x52);
        QTest::newRow("purple") << 5 << QColor(0x84, 0x08, 0x84) << QColor(0xB5, 0x31, 0xB5);
        QTest::newRow("yellow") << 6 << QColor(0xC6, 0xCE, 0x00) << QColor(0xFF, 0xFF, 0x52);
    }

    void flowerTilesHaveTheirColours() {
        QFETCH(int, tile);
        QFETCH(QColor, outline);
        QFETCH(QColor, petal);
        TileList tiles;
        for (qreal ratio : {1.0, 2.0}) {
            const QImage& image = tiles.tile(tile, ratio);
            const int n = image.width();
            int black = 0, outlines = 0, petals = 0, lighter = 0, top = n, bottom = -1;
            for (int y = 0; y < n; ++y) {
                for (int x = 0; x < n; ++x) {
                    const QRgb p = image.pixel(x, y);
                    black += p == qRgb(0, 0, 0) ? 1 : 0;
                    outlines += p == outline.rgb() ? 1 : 0;
                    petals += p == petal.rgb() ? 1 : 0;
                    lighter += brightness(p) > brightness(petal.rgb()) + 40 ? 1 : 0;
                    if (p != qRgb(0, 0, 0)) {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
                }
            }
            const double share = double(black) / (n * n);
            QVERIFY2(share > 0.5 && share < 0.6, qPrintable(QString::number(share)));
            QVERIFY(outlines >= n / 2); // the outline in its exact colour
            QVERIFY(petals > n / 2);    // the petals in theirs
            QVERIFY(lighter > n / 4);   // shaded lighter toward their middles
            // Black corners and a black square at the centre.
            for (QPoint at :
                 {QPoint(0, 0), QPoint(n - 1, 0), QPoint(0, n - 1), QPoint(n - 1, n - 1),
                  QPoint(n / 2, n / 2), QPoint(n / 2 - 1, n / 2 - 1)}) {
                QCOMPARE(image.pixel(at), qRgb(0, 0, 0));
            }
            // The flower spans about 27 pixels across.
            const double span = (bottom - top + 1) / ratio;
            QVERIFY2(span >= 24 && span <= 29, qPrintable(QString::number(span)));
        }
    }

    void theBoardIsAFixedSurface() {
        BoardView view;
        QCOMPARE(view.objectName(), QStringLiteral("board"));
        QCOMPARE(view.size(), QSize(320, 320));
        QCOMPARE(view.minimumSize(), QSize(320, 320));
        QCOMPARE(view.maximumSize(), QSize(320, 320));
        const QImage blank = view.grab().toImage();
        QCOMPARE(blank.pixel(5, 5), qRgb(0, 0, 0)); // black without a game
        // The backing pixmap has the screen's pixel density.
        const qreal ratio = view.devicePixelRatioF();
        if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
            QCOMPARE(ratio, 2.0);
        }
        QCOMPARE(view.surface().width(), qRound(320 * ratio));
        QCOMPARE(blank.width(), qRound(320 * ratio));
    }

    void aRepaintShowsTheTileOfEveryCell() {
        VirtualClock clock;
        BoardGame b(clock);
        QVERIFY(b.showAndStart());
        BoardView& view = b.view;
        Game& game = b.game;
        clock.advance(3050); // a line on its way down
        QCoreApplication::processEvents();
        QCOMPARE(mismatch(view, game, view.surface().toImage()), QString());
        QCOMPARE(mismatch(view, game, view.grab().toImage()), QString());
    }

    void aRepaintRedrawsFromTheGridDuringTheBlankPhase() {
        VirtualClock clock;
        BoardGame b(clock);
        QVERIFY(b.showAndStart());
        BoardView& view = b.view;
        Game& game = b.game;
        // A level-up: the first blink tick draws tile 0 everywhere.
        game.timerblink().start();
        game.state().blinkticks = 10;
        clock.advance(200);
        QVERIFY(game.state().blinkhidden);
        QCoreApplication::processEvents(); // the board's own updates: still blank
        const qreal ratio = view.devicePixelRatioF();
        const QImage blank = view.surface().toImage();
        QVERIFY(samePixels(cellOf(blank, 1, 10, ratio), view.images_flowers().tile(0, ratio)));
        // A repaint the window system asks for shows the flowers of the grid.
        QCOMPARE(mismatch(view, game, view.grab().toImage()), QString());
        // ...until the next blank phase.
        clock.advance(400);
        QCoreApplication::processEvents();
        QVERIFY(samePixels(cellOf(view.surface().toImage(), 1, 10, ratio),
                           view.images_flowers().tile(0, ratio)));
    }

    void drawtilePaintsOnlyItsSquare() {
        BoardView view;
        const qreal ratio = view.devicePixelRatioF();
        view.drawtile(4, 7, 5);
        const QImage surface = view.surface().toImage();
        for (int c = 1; c <= 10; ++c) {
            for (int r = 1; r <= 10; ++r) {
                const int t = c == 4 && r == 7 ? 5 : 0;
                QVERIFY(
                    samePixels(cellOf(surface, c, r, ratio), view.images_flowers().tile(t, ratio)));
            }
        }
    }

    void aMouseReleaseOnAGroupRemovesIt() {
        VirtualClock clock;
        BoardGame b(clock);
        QVERIFY(b.showAndStart());
        BoardView& view = b.view;
        Game& game = b.game;
        setBoard(game, pairsboard);

        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(40, 300));
        QVERIFY(!game.state().removing); // a press alone does nothing
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(40, 300)); // cell (2, 10)
        QVERIFY(game.state().removing);
        clock.advance(20);
        QVERIFY(!game.state().removing);
        QCOMPARE(game.state().cells[1][10], 3); // the pair above has fallen into row 10
        QCOMPARE(game.state().cells[1][9], 0);
        QCOMPARE(mismatch(view, game, view.surface().toImage()), QString());
        QCOMPARE(mismatch(view, game, view.grab().toImage()), QString());

        // Any button counts.
        QTest::mouseRelease(&view, Qt::RightButton, {}, QPoint(10, 300));
        QVERIFY(game.state().removing);
        clock.advance(20);
        QVERIFY(!game.state().removing);
        QCOMPARE(game.state().cells[1][10], 0);
    }

    void qtTimersRunTheGame() {
        QtTimerFactory timers;
        BoardGame b(timers);
        QVERIFY(b.showAndStart());
        BoardView& view = b.view;
        Game& game = b.game;
        setBoard(game, pairsboard);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(5, 290)); // cell (1, 10)
        QVERIFY(game.state().removing);
        QTRY_VERIFY_WITH_TIMEOUT(!game.state().removing, 10000);
        QCOMPARE(game.state().cells[1][10], 3);
        QCOMPARE(game.state().cells[2][9], 0);
    }

    void qtTimerKeepsTheGameSemantics() {
        // Counts the QTimer (re)starts the binding makes.
        class CountingTimer : public QtGameTimer {
        public:
            int starts = 0;

        protected:
            void arm(int ms) override {
                ++starts;
                QtGameTimer::arm(ms);
            }
        };
        CountingTimer timer;
        QCOMPARE(timer.qtimer().timerType(), Qt::PreciseTimer);
        timer.setInterval(10000);
        QVERIFY(!timer.qtimer().isActive());
        QCOMPARE(timer.starts, 0);
        timer.start();
        QVERIFY(timer.qtimer().isActive());
        QCOMPARE(timer.qtimer().interval(), 10000);
        QCOMPARE(timer.starts, 1);
        timer.setInterval(10000); // the same interval: the countdown goes on
        timer.start();            // already running: the countdown goes on
        QCOMPARE(timer.starts, 1);
        timer.setInterval(20000); // a new interval restarts the countdown
        QCOMPARE(timer.starts, 2);
        QCOMPARE(timer.qtimer().interval(), 20000);
        timer.stop();
        QVERIFY(!timer.qtimer().isActive());
        QVERIFY(!timer.running());
        timer.setInterval(500); // stopped: only remembered
        QVERIFY(!timer.qtimer().isActive());
        QCOMPARE(timer.starts, 2);
        timer.start();
        QCOMPARE(timer.qtimer().interval(), 500);
        QCOMPARE(timer.starts, 3);
    }

    void qtTimerTicks() {
        QtGameTimer timer;
        int ticks = 0;
        timer.onTick([&] { ++ticks; });
        timer.setInterval(5);
        timer.start();
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 10000);
        timer.stop();
        const int stopped = ticks;
        QTest::qWait(50);
        QCOMPARE(ticks, stopped);
    }
};

BLOOMZAP_QTEST(BoardViewTest);
#include "BoardViewTest.moc"
