#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

// The date a score posting sends: "m/d/yy" with the system's date separator.

// The separator of the locale's short date format ("/" when it shows none). The C/POSIX
// locale's short format spells the month ("5 Jan 2007"), so there the numeric form's "/" is used.
QString systemDateSeparator(const QLocale& locale = QLocale::system());

// The given day (today by default) as "m/d/yy" with the locale's separator.
QString postingDateOf(QDate day = QDate::currentDate(), const QLocale& locale = QLocale::system());
