#pragma once

#include <QLocale>
#include <QString>

namespace kerfloom {

// Puts the program's and Qt's catalogues for the locale's language in force
// (Italian, Polish, Spanish; every other language leaves the texts in
// English) and makes the locale the default one, so numbers follow it.
// Windows get a LanguageChange event and retranslate themselves. Safe to
// call again at any time, for a preview and for undoing it.
void installLanguage(const QLocale &locale);

// The catalogue suffix in force ("it", "pl", "es"), empty for English.
QString installedLanguage();

} // namespace kerfloom
