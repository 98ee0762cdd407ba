#pragma once

#include <QString>

class QCoreApplication;

// The program speaks Russian (the language its texts are written in) or
// English, after the system's language: the window, verkan-cli's messages and
// the PDF report alike.
enum class Language { Russian, English };

// The language of the system as the environment names it: LANGUAGE first
// (its first entry), then LC_ALL, LC_MESSAGES and LANG, the first one set.
// English when that name is English ("en", "en_GB.UTF-8"), Russian for any
// other name, the C and POSIX locales and an empty environment included.
Language systemLanguage();
Language languageFor(const QString &localeName);

// Installs the program's language: the English translation from the
// program's resources for English, Qt's own translation of its dialogs'
// texts for either language, and the locale numbers and dates are written
// in (QLocale's default): Russian (Russia) for Russian, English (United
// Kingdom) for English, whatever the system's locale.
void installLanguage(QCoreApplication &app);
void installLanguage(QCoreApplication &app, Language language);
// The language installLanguage installed last, read back from the default
// locale it set: English for an English locale, Russian otherwise.
Language installedLanguage();
