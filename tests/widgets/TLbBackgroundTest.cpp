// The tiled background offscreen: tiling, when it draws nothing, its copy of the image, removal.

#include "tests/support/QtTestMain.h"
#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/LbBack.h"

#include <QPainter>
#include <QPointer>
#include <QTest>

using namespace widgettest;

namespace {

const QColor plainColour(0, 0, 0);
const QColor ownPaintColour(0, 0, 255);

// Each pixel of the tile tells where in the tile it is, so a render shows which part of which
// tile landed where.
QImage markedTile(int w, int h) {
    QImage tile(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            tile.setPixel(x, y, qRgb(x, y, 77));
        }
    }
    return tile;
}

// A window with a plain background that also paints a small square of its own.
class Window : public QWidget {
public:
    int paints = 0;
    Window() {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, plainColour);
        setPalette(pal);
        setAutoFillBackground(true);
        resize(609, 590);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter(this).fillRect(QRect(300, 300, 8, 8), ownPaintColour);
    }
};

} // namespace

class TLbBackgroundTest : public QObject {
    Q_OBJECT
private slots:
    void tilesGoColumnByColumn() {
        const QList<QRect> rects = TLbBackground::tileRects(QSize(173, 171), QSize(609, 590));
        QCOMPARE(rects.size(), 25);
        for (int c = 0; c < 5; ++c) {
            for (int r = 0; r < 5; ++r) {
                QCOMPARE(rects[c * 5 + r], QRect(c * 173, r * 171, 173, 171));
            }
        }
        QVERIFY(TLbBackground::tileRects(QSize(), QSize(609, 590)).isEmpty());
        // A window narrower than one tile still gets two columns: one whole, one spare.
        QCOMPARE(TLbBackground::tileRects(QSize(50, 50), QSize(40, 40)).size(), 4);
    }

    void tilesCoverTheWindowUnderItsOwnPainting() {
        Window window;
        window.show();
        // 609 by 590 is the outer size, frame included.
        window.resize(QSize(609, 590) - (window.frameGeometry().size() - window.size()));
        QCOMPARE(window.frameGeometry().size(), QSize(609, 590));
        auto* back = new TLbBackground(&window);
        const QImage tile = markedTile(173, 171);
        back->setImage(tile);
        const QImage img = render(window);
        QCOMPARE(img.size(), window.size());
        for (int y = 0; y < img.height(); y += 37) {
            for (int x = 0; x < img.width(); x += 41) {
                if (QRect(300, 300, 8, 8).contains(x, y)) {
                    continue;
                }
                QCOMPARE(img.pixel(x, y), tile.pixel(x % 173, y % 171));
            }
        }
        // The last partial column and row, and the window's own square on top.
        const int right = img.width() - 1, bottom = img.height() - 1;
        QCOMPARE(img.pixel(right, bottom), tile.pixel(right % 173, bottom % 171));
        QCOMPARE(img.pixel(303, 303), ownPaintColour.rgb());
    }

    void noTilesWithoutPictureOrWhenDisabled() {
        Window window;
        window.show();
        TLbBackground back(&window);
        QVERIFY(back.Enabled());
        QVERIFY(back.Image().isNull());
        auto plain = [&] {
            const int before = window.paints;
            const QImage img = render(window);
            QVERIFY(window.paints > before); // the window's own painting still runs
            QCOMPARE(img.pixel(10, 10), plainColour.rgb());
            QCOMPARE(img.pixel(600, 580), plainColour.rgb());
            QCOMPARE(img.pixel(303, 303), ownPaintColour.rgb());
        };
        plain();
        back.setImage(markedTile(20, 20));
        QCOMPARE(render(window).pixel(10, 10), qRgb(10, 10, 77));
        back.setEnabled(false);
        plain();
        back.setEnabled(true);
        back.setImage(QImage()); // an empty picture empties the tile
        QVERIFY(back.Image().isNull());
        plain();
    }

    void imageIsCopied() {
        Window window;
        TLbBackground back(&window);
        QImage tile = markedTile(4, 4);
        back.setImage(tile);
        tile.fill(Qt::white);
        QCOMPARE(back.Image().pixel(1, 2), qRgb(1, 2, 77));
    }

    void removingTheComponentGivesThePaintingBack() {
        Window window;
        window.show();
        QPointer<TLbBackground> back = new TLbBackground(&window);
        back->setImage(markedTile(20, 20));
        delete back;
        const int before = window.paints;
        const QImage img = render(window);
        QVERIFY(window.paints > before);
        QCOMPARE(img.pixel(10, 10), plainColour.rgb());
        QCOMPARE(img.pixel(303, 303), ownPaintColour.rgb());
    }
};

BLOOMZAP_QTEST(TLbBackgroundTest);
#include "TLbBackgroundTest.moc"
