#pragma once

#include <QDate>
#include <QString>

// The date a score posting sends: "m/d/yy" with the system's date separator.

// The separator of the system's short date format ("/" when it shows none).
QString systemDateSeparator();

// The given day (today by default) as "m/d/yy" with the system's separator.
QString postingDateOf(QDate day = QDate::currentDate());
