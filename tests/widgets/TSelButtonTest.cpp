// The caption button offscreen: as made, its three looks, caption placement, frames, the mouse
// and the keyboard.

#include "tests/support/QtTestMain.h"
#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/ButtonComps.h"

#include <QApplication>
#include <QDebug>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

using namespace widgettest;

namespace {

const QColor faceColour(255, 255, 198);
const QColor overColour(200, 230, 255);
const QColor downColour(210, 255, 210);
const QColor borderColour(164, 0, 0);
const QColor captionColour(74, 74, 74);
const QColor overCaptionColour(0, 0, 200);
const QColor parentColour(0, 0, 0);

// A button in the program's colour scheme, but with a distinct fill per look so a render tells
// the looks apart.
void styleButton(TSelButton& b) {
    b.setColor(faceColour);
    b.setColorOver(overColour);
    b.setColorDown(downColour);
    b.setColorBorder(borderColour);
    b.setColorOverCaption(overCaptionColour);
    b.setFont(crispFont("Arial", 16, true));
    b.setFontColor(captionColour);
    b.setCaption(QStringLiteral("START"));
    b.setGeometry(10, 10, 132, 27);
}

// The host window: black, so whatever the button leaves unpainted shows black.
struct Host {
    QWidget window;
    TSelButton* button;
    Host() {
        window.resize(200, 60);
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, parentColour);
        window.setPalette(pal);
        window.setAutoFillBackground(true);
        button = new TSelButton(&window);
        styleButton(*button);
        window.show();
    }
    QPoint mid() const { return button->rect().center(); }
};

// Where the caption's ink must land: the top-left of its text cell plus the glyphs' own bounds.
QRect expectedInk(const TSelButton& b, int x, int y) {
    const QFontMetrics fm(b.font());
    return fm.tightBoundingRect(b.Caption()).translated(x, y + fm.ascent());
}

} // namespace

class TSelButtonTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { installFontSubstitutes(); }

    // A button left as made, as the windows that only set its caption use it: its size, frame,
    // hover fill and caption ink as a player sees them, and Tab reaches it.
    void aButtonLeftAsMadeLooksAndTabsAsDocumented() {
        QWidget window;
        window.resize(200, 60);
        QLineEdit before(&window);
        auto* b = new TSelButton(&window);
        b->move(10, 30);
        b->setCaption(QStringLiteral("START"));
        window.show();
        QCOMPARE(b->size(), QSize(105, 20));
        const QColor grey(128, 128, 128);
        const QRect inside = b->rect().adjusted(1, 1, -1, -1);
        QImage img = render(*b);
        QCOMPARE(colorAt(img, 0, 0), grey);
        QCOMPARE(colorAt(img, b->width() - 1, b->height() - 1), grey);
        // The caption is drawn smoothed in the default font: it shows as ink off the fill.
        const auto ink = [&](const QImage& image) {
            const QColor fill = colorAt(image, 1, 1);
            return inside.width() * inside.height() - int(pixelsOf(image, fill, inside).size());
        };
        QVERIFY2(ink(img) > 20, "the caption is drawn");
        enter(b, b->rect().center());
        img = render(*b);
        QCOMPARE(colorAt(img, 1, 1), QColor(132, 185, 164));
        QVERIFY2(ink(img) > 20, "the caption is drawn on the hover fill");
        leave(b);
        QCOMPARE(QFontInfo(b->font()).family(), QStringLiteral("Liberation Sans"));

        before.setFocus();
        QApplication::setActiveWindow(&window);
        QTest::keyClick(&before, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), b);
    }

    void captionFollowsTheNameUntilSet() {
        QWidget parent;
        auto* b = new TSelButton(&parent);
        b->setObjectName(QStringLiteral("button_start"));
        QCOMPARE(b->Caption(), QStringLiteral("button_start"));
        b->setCaption(QStringLiteral("START GAME"));
        b->setObjectName(QStringLiteral("button_other"));
        QCOMPARE(b->Caption(), QStringLiteral("START GAME"));
        b->setParent(nullptr);
        b->setParent(&parent);
        QCOMPARE(b->Caption(), QStringLiteral("START GAME"));
    }

    // Fill, frame and caption colour of each look; the pressed caption keeps the colour used
    // last, which after hovering is the hover caption colour.
    void eachLookHasItsColours() {
        Host h;
        TSelButton& b = *h.button;
        const QRect inside = b.rect().adjusted(1, 1, -1, -1);
        auto check = [&](const QColor& fill, const QColor& caption) {
            const QImage img = render(b);
            QCOMPARE(colorAt(img, 0, 0), borderColour);
            QCOMPARE(colorAt(img, b.width() - 1, b.height() - 1), borderColour);
            QCOMPARE(colorAt(img, 1, 1), fill);
            QCOMPARE(colorAt(img, b.width() - 2, b.height() - 2), fill);
            const int ink = pixelsOf(img, caption, inside).size();
            const int fillCount = pixelsOf(img, fill, inside).size();
            QVERIFY(ink > 20);
            // Nothing else inside the frame: the caption sits on the fill colour.
            QCOMPARE(ink + fillCount, inside.width() * inside.height());
        };
        QCOMPARE(b.currentLook(), TSelButton::Look::Normal);
        check(faceColour, captionColour);
        enter(&b, h.mid());
        QCOMPARE(b.currentLook(), TSelButton::Look::Hover);
        check(overColour, overCaptionColour);
        press(&b, h.mid());
        QCOMPARE(b.currentLook(), TSelButton::Look::Pressed);
        check(downColour, overCaptionColour);
        release(&b, h.mid());
        check(overColour, overCaptionColour);
        leave(&b);
        check(faceColour, captionColour);

        // A repaint of the normal look while hovering resets the caption colour the press
        // takes over.
        enter(&b, h.mid());
        b.setCaption(QStringLiteral("AGAIN"));
        check(faceColour, captionColour);
        press(&b, h.mid());
        check(downColour, captionColour);
    }

    // Hover and press are not remembered: the mouse handlers draw them, and a repaint the
    // framework asks for afterwards, with the pointer still resting on the button, draws the
    // normal look until the pointer leaves and enters again.
    void aRepaintWhileHoveringDrawsTheNormalLook() {
        Host h;
        TSelButton& b = *h.button;
        h.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window));
        const QImage normal = render(b);
        enter(&b, h.mid());
        QCOMPARE(b.currentLook(), TSelButton::Look::Hover);
        b.repaint(); // the handler's hover look reaches the screen
        QCOMPARE(b.currentLook(), TSelButton::Look::Hover);
        QCOMPARE(render(b), normal);
        QCOMPARE(b.currentLook(), TSelButton::Look::Normal);
        leave(&b);
        enter(&b, h.mid());
        QCOMPARE(colorAt(render(b), 1, 1), overColour);
    }

    void captionPlacedByAlignment_data() {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("pressedDx");
        QTest::newRow("left") << int(Qt::AlignLeft) << 1;
        QTest::newRow("centre") << int(Qt::AlignHCenter) << 1;
        QTest::newRow("right") << int(Qt::AlignRight) << -1;
    }

    // Normal position from the formula for each alignment; pressed is the same ink moved one
    // down and one right, or one left for a right-aligned caption.
    void captionPlacedByAlignment() {
        QFETCH(int, alignment);
        QFETCH(int, pressedDx);
        Host h;
        TSelButton& b = *h.button;
        b.setAlignment(Qt::Alignment(alignment));
        const QFontMetrics fm(b.font());
        const int w = b.width(), hgt = b.height();
        const int tw = fm.horizontalAdvance(b.Caption()), th = fm.height();
        int x = 5;
        if (alignment == Qt::AlignHCenter) {
            x = w / 2 - tw / 2;
        } else if (alignment == Qt::AlignRight) {
            x = w - tw - 6;
        }
        const int y = hgt / 2 - th / 2;

        const PointSet normal = pixelsOf(render(b), captionColour);
        const QRect want = expectedInk(b, x, y);
        const QRect got = bounds(normal);
        QString where;
        QDebug(&where) << "ink at" << got << "expected" << want;
        // Every edge within one pixel of where it belongs.
        QVERIFY2(want.adjusted(-1, -1, 1, 1).contains(got) &&
                     got.adjusted(-1, -1, 1, 1).contains(want),
                 qPrintable(where));

        // Press without hovering first, so the caption keeps its normal colour.
        press(&b, h.mid());
        const PointSet pressed = pixelsOf(render(b), captionColour);
        QCOMPARE(pressed, shifted(normal, pressedDx, 1));
    }

    void borderWidthZeroLeavesTheOuterRing() {
        Host h;
        TSelButton& b = *h.button;
        b.setBorderWidth(0);
        const QImage img = render(h.window);
        const QPoint o = b.pos();
        // The outermost ring is never painted by the button: the window's black shows.
        QCOMPARE(colorAt(img, o.x(), o.y() + 3), parentColour);
        QCOMPARE(colorAt(img, o.x() + b.width() - 1, o.y() + 3), parentColour);
        QCOMPARE(colorAt(img, o.x() + 3, o.y()), parentColour);
        QCOMPARE(colorAt(img, o.x() + 3, o.y() + b.height() - 1), parentColour);
        QCOMPARE(colorAt(img, o.x() + 1, o.y() + 1), faceColour);
        QVERIFY(pixelsOf(img, borderColour).isEmpty());
    }

    void borderWidthThreeDrawsThreeNestedFrames() {
        Host h;
        TSelButton& b = *h.button;
        b.setBorderWidth(3);
        const QImage img = render(b);
        const int w = b.width(), hgt = b.height();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(colorAt(img, i, hgt / 2), borderColour);
            QCOMPARE(colorAt(img, w - 1 - i, hgt / 2), borderColour);
            QCOMPARE(colorAt(img, w / 3, i), borderColour);
            QCOMPARE(colorAt(img, w / 3, hgt - 1 - i), borderColour);
        }
        QCOMPARE(colorAt(img, 3, 3), faceColour);
        QCOMPARE(colorAt(img, w - 4, hgt - 4), faceColour);
    }

    void wideCentredCaptionIsCutAtTheButton() {
        Host h;
        TSelButton& b = *h.button;
        b.setAlignment(Qt::AlignHCenter);
        b.setCaption(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWW"));
        const QImage img = render(h.window);
        const QRect r = b.geometry();
        const QRect ink = bounds(pixelsOf(img, captionColour));
        // Ink runs right up to the frame on both sides and never past the button.
        QCOMPARE(ink.left(), r.left() + 1);
        QCOMPARE(ink.right(), r.right() - 1);
        QCOMPARE(colorAt(img, r.left(), r.center().y()), borderColour);
        QCOMPARE(colorAt(img, r.left() - 1, r.center().y()), parentColour);
    }

    // A normal click: pressed look at the press; at the release the click (normal look,
    // OnClick), then OnMouseUp, then the hover look again.
    void clickRunsInOrder() {
        Host h;
        TSelButton& b = *h.button;
        QStringList log;
        auto lookName = [&] {
            return QString::fromLatin1(
                       QMetaEnum::fromType<TSelButton::Look>().valueToKey(int(b.currentLook())))
                .toLower();
        };
        connect(&b, &TSelButton::OnMouseDown, this,
                [&](QObject* s, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
                    QCOMPARE(s, &b);
                    log << QStringLiteral("down %1,%2 ").arg(x).arg(y) + lookName();
                });
        connect(&b, &TSelButton::OnClick, this, [&](QObject* s) {
            QCOMPARE(s, &b);
            log << QStringLiteral("click ") + lookName();
        });
        connect(&b, &TSelButton::OnMouseUp, this,
                [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
                    log << QStringLiteral("up ") + lookName();
                });
        enter(&b, QPoint(7, 8));
        press(&b, QPoint(7, 8));
        log << QStringLiteral("after press ") + lookName();
        release(&b, QPoint(7, 8));
        log << QStringLiteral("after release ") + lookName();
        QCOMPARE(log, QStringList({"down 7,8 hover", "after press pressed", "click normal",
                                   "up normal", "after release hover"}));
    }

    void otherMouseButtonsDoNothing() {
        Host h;
        TSelButton& b = *h.button;
        QSignalSpy clicks(&b, &TSelButton::OnClick);
        QSignalSpy downs(&b, &TSelButton::OnMouseDown);
        press(&b, h.mid(), Qt::RightButton);
        QCOMPARE(b.currentLook(), TSelButton::Look::Normal);
        release(&b, h.mid(), Qt::RightButton);
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(downs.count(), 0);
    }

    void pressDragOffReleaseRaisesNoClick() {
        Host h;
        TSelButton& b = *h.button;
        QSignalSpy clicks(&b, &TSelButton::OnClick);
        QSignalSpy ups(&b, &TSelButton::OnMouseUp);
        const QImage normal = render(b);
        enter(&b, h.mid());
        press(&b, h.mid());
        moveHeld(&b, QPoint(b.width() + 20, 5));
        QCOMPARE(b.currentLook(), TSelButton::Look::Normal);
        release(&b, QPoint(b.width() + 20, 5));
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(ups.count(), 1);
        QCOMPARE(b.currentLook(), TSelButton::Look::Normal);
        QCOMPARE(render(b), normal);

        // Coming back onto the button before letting go still clicks.
        enter(&b, h.mid());
        press(&b, h.mid());
        moveHeld(&b, QPoint(-5, -5));
        moveHeld(&b, h.mid());
        QCOMPARE(b.currentLook(), TSelButton::Look::Hover);
        release(&b, h.mid());
        QCOMPARE(clicks.count(), 1);
    }

    void enabledFlagOffIgnoresTheMouseButLooksNormal() {
        Host h;
        TSelButton& b = *h.button;
        const QImage normal = render(b);
        b.setEnabledFlag(false);
        QVERIFY(!b.Enabled());
        QVERIFY(b.isEnabled()); // Qt's own state is untouched
        QSignalSpy clicks(&b, &TSelButton::OnClick);
        QSignalSpy downs(&b, &TSelButton::OnMouseDown);
        QSignalSpy ups(&b, &TSelButton::OnMouseUp);
        enter(&b, h.mid());
        QCOMPARE(render(b), normal);
        press(&b, h.mid());
        QCOMPARE(render(b), normal);
        release(&b, h.mid());
        QCOMPARE(render(b), normal);
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(downs.count(), 0);
        QCOMPARE(ups.count(), 0);

        b.setEnabledFlag(true);
        press(&b, h.mid());
        release(&b, h.mid());
        QCOMPARE(clicks.count(), 1);
    }

    // Tab reaches the button, a mouse click does not take the keys; focused, it shows a dotted
    // frame in its border colour two pixels inside the border, and Space or Return clicks it,
    // while held-down keys repeat nothing. Off, Tab passes it by and it gives the focus on.
    void theKeyboardReachesAndPressesTheButton() {
        Host h;
        TSelButton& b = *h.button;
        auto* other = new TSelButton(&h.window);
        styleButton(*other);
        other->move(10, 40);
        other->show();
        h.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        other->setFocus(Qt::TabFocusReason);
        const QImage unfocused = render(b);
        QTest::mouseClick(&b, Qt::LeftButton, {}, h.mid());
        QVERIFY(other->hasFocus());

        b.setFocus(Qt::TabFocusReason);
        QVERIFY(b.hasFocus());
        const QImage focused = render(b);
        QVERIFY(focused != unfocused);
        // The mark: dotted, in the border's colour, along x = 3 inside a one-pixel border.
        int marked = 0;
        for (int y = 3; y < b.height() - 3; ++y) {
            marked += focused.pixelColor(3, y) == borderColour ? 1 : 0;
        }
        QVERIFY(marked > 3 && marked < b.height() - 6);

        QSignalSpy clicks(&b, &TSelButton::OnClick);
        QTest::keyClick(&b, Qt::Key_Space);
        QTest::keyClick(&b, Qt::Key_Return);
        QTest::keyClick(&b, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(clicks.count(), 3);
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&b, &held);
        QCOMPARE(clicks.count(), 3);
        QTest::keyClick(&b, Qt::Key_A);
        QCOMPARE(clicks.count(), 3);

        b.setEnabledFlag(false);
        QVERIFY(!b.hasFocus());
        QVERIFY(other->hasFocus());
        QCOMPARE(b.focusPolicy(), Qt::NoFocus);
        b.setEnabledFlag(true);
        QCOMPARE(b.focusPolicy(), Qt::TabFocus);
    }

    // A click whose release leaves the cursor off the button draws no hover look: the button
    // hidden by its own click, or covered by another widget.
    void releaseNotOverTheButtonDrawsNoHover() {
        for (bool hide : {true, false}) {
            Host h;
            TSelButton& b = *h.button;
            if (hide) {
                connect(&b, &TSelButton::OnClick, &b, &QWidget::hide);
            } else {
                auto* cover = new QWidget(&h.window);
                cover->setGeometry(b.geometry());
                cover->show();
            }
            enter(&b, h.mid());
            press(&b, h.mid());
            release(&b, h.mid());
            QCOMPARE(b.isHidden(), hide);
            QCOMPARE(b.currentLook(), TSelButton::Look::Normal);
        }
    }

    void hintsFollowShowHint() {
        Host h;
        TSelButton& b = *h.button;
        b.setToolTip(QStringLiteral("tip"));
        b.setShowHint(false);
        QVERIFY(!b.ParentShowHint());
        QHelpEvent hidden(QEvent::ToolTip, h.mid(), b.mapToGlobal(h.mid()));
        QApplication::sendEvent(&b, &hidden);
        QVERIFY(!hidden.isAccepted());
        b.setShowHint(true);
        QHelpEvent shown(QEvent::ToolTip, h.mid(), b.mapToGlobal(h.mid()));
        QApplication::sendEvent(&b, &shown);
        QVERIFY(shown.isAccepted());
    }
};

BLOOMZAP_QTEST(TSelButtonTest);
#include "TSelButtonTest.moc"
