#include "online/PostingDate.h"

#include "online/ScorePosting.h"

QString systemDateSeparator(const QLocale& locale) {
    if (locale.language() == QLocale::C) {
        return "/";
    }
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    return QString::fromStdString(posting::dateSeparatorOf(format.toStdString()));
}

QString postingDateOf(QDate day, const QLocale& locale) {
    return QString::fromStdString(posting::postingDate(day.year(), day.month(), day.day(),
                                                       systemDateSeparator(locale).toStdString()));
}
