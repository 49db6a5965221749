// What waits for the first window: the large icon sizes join the program's icon once a window has
// been exposed, and not before.

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
};

QTEST_MAIN(IntegrationStartupTest)
#include "IntegrationStartupTest.moc"
