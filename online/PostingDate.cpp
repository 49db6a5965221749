#include "online/PostingDate.h"

#include "online/ScorePosting.h"

#include <QLocale>

QString systemDateSeparator() {
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    return QString::fromStdString(posting::dateSeparatorOf(format.toStdString()));
}

QString postingDateOf(QDate day) {
    return QString::fromStdString(posting::postingDate(day.year(), day.month(), day.day(),
                                                       systemDateSeparator().toStdString()));
}
