// What waits for the first window: the large icon sizes join the program's icon once a window has
// been exposed, and not before; kept undecoded, they still answer as decoded ones.

#include "app/FirstExposure.h"
#include "app/ProgramIcon.h"

#include <QApplication>
#include <QIcon>
#include <QTest>
#include <QWindow>

class IntegrationStartupTest : public QObject {
    Q_OBJECT

private slots:
    void theIconGetsItsLargeSizesOnceTheFirstWindowIsExposed() {
        programicon::setUsualSizes();
        const QList<QSize> usual = QApplication::windowIcon().availableSizes();
        QCOMPARE(usual.size(), 7);
        for (const QSize& size : usual)
            QVERIFY(size.width() <= 128 && size.height() == size.width());

        QWindow window;
        window.resize(200, 100);
        window.create();
        bool ran = false;
        afterFirstExposure(&window, [&] {
            ran = true;
            programicon::addLargeSizes();
        });
        // Unexposed, nothing happens however long the event loop runs.
        QCoreApplication::processEvents();
        QTest::qWait(50);
        QVERIFY(!ran);
        QCOMPARE(QApplication::windowIcon().availableSizes().size(), 7);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(ran);
        const QList<QSize> every = QApplication::windowIcon().availableSizes();
        QCOMPARE(every.size(), 9);
        QVERIFY(every.contains(QSize(256, 256)));
        QVERIFY(every.contains(QSize(512, 512)));
        QVERIFY(every.contains(QSize(16, 16)));
        QVERIFY(!QApplication::windowIcon().pixmap(QSize(512, 512)).isNull());
    }

    void aWindowAlreadyExposedRunsTheWorkAtTheNextTurn() {
        QWindow window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int runs = 0;
        afterFirstExposure(&window, [&] { ++runs; });
        QCOMPARE(runs, 0);
        QTRY_COMPARE(runs, 1);
        // Later exposures do not run it again.
        window.hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);
        QCOMPARE(runs, 1);
    }

    // The large sizes are read again when asked for rather than kept: every question to the
    // icon still gets what an icon holding all nine sizes decoded gives.
    void theLargeSizesAnswerAsIfTheyWereKeptDecoded() {
        programicon::setUsualSizes();
        programicon::addLargeSizes();
        const QIcon icon = QApplication::windowIcon();
        QIcon kept;
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
            kept.addPixmap(QPixmap(QStringLiteral(":/icons/bloomzap-%1.png").arg(size)));
        QCOMPARE(icon.availableSizes(), kept.availableSizes());
        QCOMPARE(icon.availableSizes(QIcon::Disabled), kept.availableSizes(QIcon::Disabled));
        for (const int size : {16, 22, 48, 100, 128, 200, 256, 300, 512, 600}) {
            const QSize asked(size, size);
            for (const QIcon::Mode mode :
                 {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
                QCOMPARE(icon.actualSize(asked, mode), kept.actualSize(asked, mode));
                const QImage got = icon.pixmap(asked, mode).toImage();
                QVERIFY(!got.isNull());
                QCOMPARE(got, kept.pixmap(asked, mode).toImage());
            }
        }
    }
};

QTEST_MAIN(IntegrationStartupTest)
#include "IntegrationStartupTest.moc"
