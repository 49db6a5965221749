#pragma once

class QCoreApplication;

// Puts the game's German texts and Qt's own German texts (its buttons and dialogs) in place
// when the locale is German: the default locale, which is the system's unless the caller chose
// another. Under any other locale nothing is loaded and no file is opened, so every text stays
// as written. The translators belong to `application`. Missing Qt texts leave Qt's English.
void installGameTranslations(QCoreApplication& application);
