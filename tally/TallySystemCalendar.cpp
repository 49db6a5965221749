#include "TallySystemCalendar.h"

#include <QDate>
#include <QLocale>

std::string TallySystemCalendar::shortdate() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}
