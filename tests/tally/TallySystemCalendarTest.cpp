// The date an entry gets: the C/POSIX locale's numeric month/day/year, any other locale's own
// short format.
#include "tally/TallySystemCalendar.h"
#include "tests/support/QtTestMain.h"

#include <QtTest>

class TallySystemCalendarTest : public QObject {
    Q_OBJECT

private slots:
    void cLocaleWritesMonthDayYear() {
        for (const QLocale& c : {QLocale::c(), QLocale(QStringLiteral("POSIX"))}) {
            QCOMPARE(TallySystemCalendar::formatShortDate(c, QDate(2008, 2, 11)),
                     QStringLiteral("2/11/2008"));
            QCOMPARE(TallySystemCalendar::formatShortDate(c, QDate(2024, 12, 3)),
                     QStringLiteral("12/3/2024"));
        }
    }

    void otherLocalesKeepTheirShortFormat() {
        const QDate date(2008, 2, 11);
        for (const QLocale& locale : {QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::English, QLocale::UnitedKingdom),
                                      QLocale(QLocale::English, QLocale::UnitedStates)}) {
            const QString shown = TallySystemCalendar::formatShortDate(locale, date);
            QCOMPARE(shown, locale.toString(date, QLocale::ShortFormat));
            QVERIFY2(shown != QStringLiteral("2/11/2008"), qPrintable(shown));
        }
    }
};

BLOOMZAP_QTEST(TallySystemCalendarTest);
#include "TallySystemCalendarTest.moc"
