#include "app/GameTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

void install(QCoreApplication& application, const QLocale& locale, const QString& name,
             const QString& folder) {
    auto* translator = new QTranslator(&application);
    if (translator->load(locale, name, QStringLiteral("_"), folder)) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

} // namespace

void installGameTranslations(QCoreApplication& application) {
    const QLocale locale;
    if (locale.language() != QLocale::German) {
        return;
    }
    // The game's own catalogue is embedded; Qt's comes with the system's Qt translations.
    install(application, locale, QStringLiteral("bloomzap"), QStringLiteral(":/i18n"));
    install(application, locale, QStringLiteral("qtbase"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
