#include "tally/TallySystemCalendar.h"

std::string TallySystemCalendar::shortDate() {
    return formatShortDate(QLocale::system(), QDate::currentDate()).toStdString();
}

QString TallySystemCalendar::formatShortDate(const QLocale& locale, const QDate& date) {
    if (locale.language() == QLocale::C) {
        return date.toString(QStringLiteral("M/d/yyyy"));
    }
    return locale.toString(date, QLocale::ShortFormat);
}
