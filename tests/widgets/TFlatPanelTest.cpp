// The flat panel offscreen: defaults, frame and fill, caption placement and cuts, transparency.

#include "tests/support/QtTestMain.h"
#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/TFlatPanelUnit.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScreen>
#include <QTest>

using namespace widgettest;

namespace {

const QColor blackColour(0, 0, 0);
const QColor maroonColour(128, 0, 0);
const QColor lightColour(218, 218, 218);
const QColor highColour(10, 200, 10);
const QColor shadowColour(200, 10, 200);
const QColor fillColour(40, 60, 80);
const QColor whiteColour(255, 255, 255);
const QColor greyColour(128, 128, 128);

// A window that paints a plain background and, on top, a red square in its own paintEvent: what
// a transparent panel must show is exactly this.
class PaintingWindow : public QWidget {
public:
    QRect square{30, 20, 16, 16};
    explicit PaintingWindow(const QColor& background) {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, background);
        setPalette(pal);
        setAutoFillBackground(true);
        resize(300, 200);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(square, Qt::red);
    }
};

TFlatPanel* makePanel(QWidget* parent, const QString& caption) {
    auto* panel = new TFlatPanel(parent);
    panel->setGeometry(20, 10, 200, 40);
    panel->setFont(crispFont("MS Sans Serif", 19, true));
    panel->setFontColor(lightColour);
    panel->setColor(fillColour);
    panel->setColorHighLight(highColour);
    panel->setColorShadow(shadowColour);
    panel->setCaption(caption);
    return panel;
}

} // namespace

class TFlatPanelTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { installFontSubstitutes(); }

    void defaults() {
        PaintingWindow window(maroonColour);
        TFlatPanel panel(&window);
        QCOMPARE(panel.size(), QSize(185, 41));
        QCOMPARE(panel.ColorHighLight(), QColor(160, 150, 131));
        QCOMPARE(panel.ColorShadow(), QColor(160, 150, 131));
        QCOMPARE(panel.Alignment(), Qt::Alignment(Qt::AlignHCenter));
        QVERIFY(!panel.Transparent());
        QVERIFY(panel.ParentColor());
        QCOMPARE(panel.Color(), maroonColour); // the parent's colour while ParentColor is on
        panel.setColor(fillColour);
        QVERIFY(!panel.ParentColor());
        QCOMPARE(panel.Color(), fillColour);
        QCOMPARE(render(panel).pixel(5, 5), fillColour.rgb());
    }

    void frameHasTwoColoursAndTheFillInside() {
        PaintingWindow window(blackColour);
        TFlatPanel* panel = makePanel(&window, QString());
        const QImage img = render(*panel);
        const int w = panel->width(), h = panel->height();
        QCOMPARE(colorAt(img, w / 2, 0), highColour);
        QCOMPARE(colorAt(img, 0, h / 2), highColour);
        QCOMPARE(colorAt(img, w / 2, h - 1), shadowColour);
        QCOMPARE(colorAt(img, w - 1, h / 2), shadowColour);
        QCOMPARE(pixelsOf(img, fillColour).size(), (w - 2) * (h - 2));
    }

    void captionPlacedByAlignment_data() {
        QTest::addColumn<int>("alignment");
        QTest::newRow("left") << int(Qt::AlignLeft);
        QTest::newRow("centre") << int(Qt::AlignHCenter);
        QTest::newRow("right") << int(Qt::AlignRight);
    }

    void captionPlacedByAlignment() {
        QFETCH(int, alignment);
        PaintingWindow window(blackColour);
        TFlatPanel* panel = makePanel(&window, QStringLiteral("GAME IS PAUSED"));
        panel->setAlignment(Qt::Alignment(alignment));
        const QRect ink = bounds(pixelsOf(render(*panel), lightColour));
        QVERIFY(!ink.isEmpty());
        const QRect box = panel->captionRect();
        QCOMPARE(box, QRect(1, 1, panel->width() - 2, panel->height() - 2));
        const int leftGap = ink.left() - box.left();
        const int rightGap = box.right() - ink.right();
        if (alignment == Qt::AlignLeft) {
            QVERIFY2(leftGap <= 3 && rightGap > 20, qPrintable(QString::number(leftGap)));
        } else if (alignment == Qt::AlignRight) {
            QVERIFY2(rightGap <= 3 && leftGap > 20, qPrintable(QString::number(rightGap)));
        } else {
            QVERIFY2(qAbs(leftGap - rightGap) <= 3,
                     qPrintable(QStringLiteral("%1 %2").arg(leftGap).arg(rightGap)));
        }
        // Vertically centred in the caption rectangle.
        const int above = ink.top() - box.top();
        const int below = box.bottom() - ink.bottom();
        QVERIFY2(qAbs(above - below) <= 5,
                 qPrintable(QStringLiteral("%1 %2").arg(above).arg(below)));
    }

    // Disabled: a white copy one pixel down-right under a grey copy in the enabled caption's
    // place. Enabled: the caption once, in its font colour.
    void disabledCaptionIsEmbossed() {
        PaintingWindow window(blackColour);
        TFlatPanel* panel = makePanel(&window, QStringLiteral("Update Available"));
        const QImage enabledImg = render(*panel);
        const PointSet caption = pixelsOf(enabledImg, lightColour);
        QVERIFY(caption.size() > 50);
        QVERIFY(pixelsOf(enabledImg, whiteColour).isEmpty());
        QVERIFY(pixelsOf(enabledImg, greyColour).isEmpty());

        panel->setEnabled(false);
        const QImage disabledImg = render(*panel);
        QVERIFY(pixelsOf(disabledImg, lightColour).isEmpty());
        QCOMPARE(pixelsOf(disabledImg, greyColour), caption);
        QCOMPARE(pixelsOf(disabledImg, whiteColour), shifted(caption, 1, 1) - caption);
    }

    void longCaptionIsCutNotWrapped() {
        PaintingWindow window(blackColour);
        TFlatPanel* panel = makePanel(
            &window, QStringLiteral("Posting Score, Please Wait...... and a good deal more"));
        panel->setAlignment(Qt::AlignLeft);
        const QImage img = render(*panel);
        const QRect ink = bounds(pixelsOf(img, lightColour));
        // Cut at the caption rectangle: the text is wider than the panel, its ink reaches the
        // rectangle's right edge (give or take the gap between two letters) and the frame
        // stays whole.
        QVERIFY(QFontMetrics(panel->font()).horizontalAdvance(panel->Caption()) > panel->width());
        QVERIFY(ink.right() <= panel->captionRect().right());
        QVERIFY(ink.right() >= panel->captionRect().right() - 2);
        QCOMPARE(
            pixelsOf(img, shadowColour, QRect(panel->width() - 1, 0, 1, panel->height())).size(),
            panel->height());
        // One line only.
        QVERIFY(ink.height() <= QFontMetrics(panel->font()).height());
    }

    void transparentPanelShowsWhatTheParentDraws_data() {
        QTest::addColumn<QPoint>("at");
        QTest::newRow("inside the parent") << QPoint(20, 10);
        QTest::newRow("sticking out on the left") << QPoint(-10, 10);
    }

    void transparentPanelShowsWhatTheParentDraws() {
        QFETCH(QPoint, at);
        PaintingWindow window(blackColour);
        TFlatPanel* panel = makePanel(&window, QStringLiteral("ENTER"));
        panel->setGeometry(QRect(at, QSize(100, 40)));
        panel->setColorHighLight(maroonColour);
        panel->setColorShadow(maroonColour);
        panel->setTransparent(true);
        window.show();
        const QImage img = render(*panel);
        const int w = panel->width(), h = panel->height();
        // The parent's red square at (30,20) lies at (30,20) - at in the panel.
        const QRect square = window.square.translated(-panel->pos());
        const PointSet red = pixelsOf(img, Qt::red);
        QCOMPARE(bounds(red), square);
        const int caption = pixelsOf(img, lightColour).size();
        QVERIFY(caption > 20);
        const int black = pixelsOf(img, blackColour).size();
        // Inside the frame only black, the parent's square and the caption over them.
        QCOMPARE(black + red.size() + caption, (w - 2) * (h - 2));
        QCOMPARE(pixelsOf(img, maroonColour).size(), 2 * w + 2 * h - 4);
    }

    // The main window nests transparent panels inside each other on a black window.
    void nestedTransparentPanelsAreBlackInside() {
        PaintingWindow window(blackColour);
        window.square = QRect();
        auto* outer = new TFlatPanel(&window);
        outer->setGeometry(4, 3, 250, 180);
        outer->setTransparent(true);
        outer->setColorHighLight(blackColour);
        outer->setColorShadow(blackColour);
        auto* inner = new TFlatPanel(outer);
        inner->setGeometry(3, 26, 200, 120);
        inner->setTransparent(true);
        inner->setColorHighLight(maroonColour);
        inner->setColorShadow(maroonColour);
        window.show();
        const QImage img = render(*inner);
        QCOMPARE(pixelsOf(img, blackColour).size(), (inner->width() - 2) * (inner->height() - 2));
        const QImage whole = render(window);
        QCOMPARE(colorAt(whole, 4 + 3 + 50, 3 + 26), maroonColour);
        QCOMPARE(colorAt(whole, 4 + 3 + 50, 3 + 26 + 50), blackColour);
    }

    // On the window itself see-through panels draw over what their parents have just painted
    // there; grab() paints each parent into the panel. Both give the same pixels, also for panels
    // nested in panels, for one with a caption and for one over a sibling widget.
    void seeThroughPanelsLookTheSameOnTheWindowAsInAGrab() {
        PaintingWindow window(fillColour);
        auto* outer = new TFlatPanel(&window);
        outer->setGeometry(4, 3, 250, 180);
        outer->setTransparent(true);
        outer->setColorHighLight(maroonColour);
        outer->setColorShadow(maroonColour);
        auto* inner = new TFlatPanel(outer);
        inner->setGeometry(3, 6, 200, 120);
        inner->setTransparent(true);
        inner->setColorHighLight(highColour);
        inner->setColorShadow(shadowColour);
        TFlatPanel* captioned = makePanel(outer, QStringLiteral("ENTER"));
        captioned->setGeometry(10, 140, 200, 30);
        captioned->setTransparent(true);
        auto* below = new QWidget(&window);
        below->setGeometry(262, 10, 30, 30);
        below->setAutoFillBackground(true);
        QPalette green = below->palette();
        green.setColor(QPalette::Window, Qt::green);
        below->setPalette(green);
        auto* over = new TFlatPanel(&window);
        over->setGeometry(258, 5, 40, 100);
        over->setTransparent(true);
        over->setColorHighLight(whiteColour);
        over->setColorShadow(whiteColour);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QImage grabbed = render(window);
        // The parent's red square shows through both nested panels, inside the inner frame.
        QCOMPARE(colorAt(grabbed, window.square.center().x(), window.square.center().y()),
                 QColor(Qt::red));
        QCOMPARE(colorAt(grabbed, 4 + 3 + 50, 3 + 6), highColour);
        QVERIFY(pixelsOf(grabbed, lightColour).size() > 20);
        QCOMPARE(colorAt(grabbed, 270, 20), fillColour);
        const auto onWindow = [&] {
            return window.screen()
                ->grabWindow(window.winId())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        QTRY_COMPARE(onWindow(), grabbed);
        // Painted again on the window, only the panels.
        inner->repaint();
        over->repaint();
        QCOMPARE(onWindow(), grabbed);
    }
};

BLOOMZAP_QTEST(TFlatPanelTest);
#include "TFlatPanelTest.moc"
