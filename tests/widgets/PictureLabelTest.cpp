// Pictures of windows not yet seen: decoded when first shown, painted or asked for, each by its
// own decoder alone.

#include "widgets/PictureLabel.h"

#include <QFile>
#include <QTest>
#include <QWidget>

namespace {

// Whether a library whose file name holds `name` is mapped into this process.
bool loaded(const char* name) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

} // namespace

class PictureLabelTest : public QObject {
    Q_OBJECT
private slots:
    void picturesWaitUntilSeenAndNeedNoOtherDecoder() {
        QWidget window;
        window.resize(600, 400);
        auto* title = new PictureLabel(&window);
        title->setGeometry(0, 310, 293, 69);
        title->setPicture(QStringLiteral(":/pictures/title.png"), "png");
        auto* advert = new PictureLabel(&window);
        advert->setPicture(QStringLiteral(":/pictures/multiplayer.jpg"), "jpeg");
        advert->setGeometry(0, 0, 521, 300);
        const QLabel* plainTitle = title;
        const QLabel* plainAdvert = advert;

        // Made but not seen: nothing decoded, no JPEG decoder loaded.
        QVERIFY(plainTitle->pixmap().isNull());
        QVERIFY(plainAdvert->pixmap().isNull());
        QVERIFY(!loaded("libqjpeg"));

        // Asked for: decoded there and then, and from then on shown as any label's picture.
        QCOMPARE(title->pixmap().size(), QSize(293, 69));
        QCOMPARE(plainTitle->pixmap().size(), QSize(293, 69));
        QVERIFY(plainAdvert->pixmap().isNull());

        // Shown: decoded before it is painted.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(plainAdvert->pixmap().size(), QSize(521, 300));
        QVERIFY(loaded("libqjpeg"));
        const QPoint middle(260, 150);
        QCOMPARE(window.grab().toImage().pixel(middle), advert->pixmap().toImage().pixel(middle));

        // A new picture on a visible label shows at once; the others' decoders stay unloaded.
        title->setPicture(QStringLiteral(":/pictures/multiplayer.jpg"), "jpeg");
        QCOMPARE(plainTitle->pixmap().size(), QSize(521, 300));
        for (const char* other : {"libqwebp", "libqtiff", "libqsvg", "libqgif", "libqmng"}) {
            QVERIFY2(!loaded(other), other);
        }

        // A window rendered without being shown still shows its picture.
        QWidget unshown;
        unshown.resize(521, 300);
        auto* rendered = new PictureLabel(&unshown);
        rendered->setGeometry(0, 0, 521, 300);
        rendered->setPicture(QStringLiteral(":/pictures/multiplayer.jpg"), "jpeg");
        QCOMPARE(unshown.grab().toImage().pixel(middle), advert->pixmap().toImage().pixel(middle));
    }
};

QTEST_MAIN(PictureLabelTest)
#include "PictureLabelTest.moc"
