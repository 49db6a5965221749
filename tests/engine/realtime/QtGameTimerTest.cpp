// The Qt binding of the game's timers: it ticks, and while asleep it keeps no Qt timer running.

#include "engine/realtime/QtGameTimer.h"
#include "tests/support/QtTestMain.h"

#include <QtTest>

class QtGameTimerTest : public QObject {
    Q_OBJECT

private slots:
    void ticksWhileRunning() {
        QtTimerFactory factory;
        auto timer = factory.createTimer();
        int ticks = 0;
        timer->onTick([&] { ++ticks; });
        timer->setInterval(5);
        timer->start();
        QTRY_VERIFY(ticks >= 2);
        timer->stop();
        const int stopped = ticks;
        QTest::qWait(30);
        QCOMPARE(ticks, stopped);
    }

    void sleepsWithoutAQtTimerAndWakesOnItsGrid() {
        QtGameTimer timer;
        int ticks = 0;
        timer.onTick([&] { ++ticks; });
        timer.setInterval(10);
        timer.start();
        QVERIFY(timer.qtimer().isActive());
        timer.sleep();
        QVERIFY(!timer.qtimer().isActive());
        QTest::qWait(35);
        QCOMPARE(ticks, 0);
        timer.wake();
        QVERIFY(timer.qtimer().isActive());
        // The first tick after waking waits only for the next point of the 10 ms grid.
        QVERIFY(timer.qtimer().remainingTime() <= 10);
        QTRY_VERIFY(ticks >= 2);
        QVERIFY(!timer.qtimer().isSingleShot());
        QCOMPARE(timer.qtimer().interval(), 10);
    }

    void startingWhileAsleepWaitsForWake() {
        QtGameTimer timer;
        timer.setInterval(10);
        timer.sleep();
        timer.start();
        QVERIFY(timer.running());
        QVERIFY(!timer.qtimer().isActive());
        timer.wake();
        QVERIFY(timer.qtimer().isActive());
    }
};

BLOOMZAP_QTEST(QtGameTimerTest);
#include "QtGameTimerTest.moc"
