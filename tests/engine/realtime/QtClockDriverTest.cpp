// The game's clock driven by real time: ticks on their grid, one single-shot Qt timer for the
// next tick that runs a handler, and none while nothing is due.

#include "engine/realtime/QtClockDriver.h"
#include "engine/EngineClock.h"
#include "tests/support/QtTestMain.h"

#include <QtTest>

#include <vector>

class QtClockDriverTest : public QObject {
    Q_OBJECT

private slots:
    void ticksOnItsGridAndArmsNothingWhileIdle() {
        EngineClock clock;
        QtClockDriver driver(clock);
        QVERIFY(!driver.qtimer().isActive());
        QCOMPARE(driver.qtimer().timerType(), Qt::PreciseTimer);

        auto timer = clock.createTimer();
        std::vector<std::int64_t> at;
        timer->onTick([&] { at.push_back(clock.now()); });
        timer->setInterval(10);
        timer->start();
        QVERIFY(driver.qtimer().isActive());
        QVERIFY(driver.qtimer().isSingleShot());
        QTRY_VERIFY(at.size() >= 3);
        for (std::size_t i = 0; i < at.size(); ++i) {
            QCOMPARE(at[i], std::int64_t(10 * (i + 1))); // late or not, each tick at its due time
        }

        // Asleep, the ticks run nothing and nothing wakes the process.
        timer->sleep();
        QVERIFY(!driver.qtimer().isActive());
        const std::size_t slept = at.size();
        QTest::qWait(40);
        QCOMPARE(at.size(), slept);
        driver.catchUp(); // as the game window does before every input
        timer->wake();
        QVERIFY(driver.qtimer().isActive());
        QTRY_VERIFY(at.size() > slept);
        QVERIFY(at[slept] >= at[slept - 1] + 40);
        QCOMPARE(at[slept] % 10, 0);

        timer->stop();
        QVERIFY(!driver.qtimer().isActive());

        // An input brings the clock to the present, even with nothing due.
        const std::int64_t before = clock.now();
        QTest::qWait(25);
        driver.catchUp();
        QVERIFY(clock.now() >= before + 25);
        QVERIFY(!driver.qtimer().isActive());
    }
};

BLOOMZAP_QTEST(QtClockDriverTest);
#include "QtClockDriverTest.moc"
