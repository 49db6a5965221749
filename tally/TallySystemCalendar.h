#pragma once

#include "tally/TallyCalendar.h"

#include <QDate>
#include <QLocale>

// Today in the system's short date format.
class TallySystemCalendar : public TallyCalendar {
public:
    std::string shortDate() override;

    // The date in the locale's short format; under the C/POSIX locale, whose short format reads
    // "11 Feb 2008", in the numeric month/day/year form "2/11/2008" instead.
    static QString formatShortDate(const QLocale& locale, const QDate& date);
};
