#include "i18n/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

Language languageFor(const QString &localeName)
{
    // "en", "en_US.UTF-8", "en-GB", "en@euro"; not "eo" nor "enx".
    const QString language = localeName.section(QLatin1Char(':'), 0, 0)
                                 .section(QLatin1Char('.'), 0, 0)
                                 .section(QLatin1Char('@'), 0, 0)
                                 .section(QLatin1Char('_'), 0, 0)
                                 .section(QLatin1Char('-'), 0, 0);
    return language.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0 ? Language::English
                                                                           : Language::Russian;
}

Language systemLanguage()
{
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.section(QLatin1Char(':'), 0, 0).isEmpty())
            return languageFor(value);
    }
    return Language::Russian;
}

void installLanguage(QCoreApplication &app)
{
    installLanguage(app, systemLanguage());
}

Language installedLanguage()
{
    return QLocale().language() == QLocale::English ? Language::English : Language::Russian;
}

namespace {

void installTranslation(QCoreApplication &app, const QString &name, const QString &folder)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(), name, QStringLiteral("_"), folder))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

}  // namespace

void installLanguage(QCoreApplication &app, Language language)
{
    // A second call replaces the language the first one installed.
    for (QTranslator *old :
         app.findChildren<QTranslator *>(QString(), Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    // British English writes numbers as "2.51 V" and keeps the 24-hour
    // clock; the dates of both languages are written by base/datetext.h.
    QLocale::setDefault(language == Language::English
                            ? QLocale(QLocale::English, QLocale::UnitedKingdom)
                            : QLocale(QLocale::Russian, QLocale::Russia));
    // Qt's own texts (the file dialog's "Cancel", a message box's "Close")
    // in the same language as the program's, from the system's Qt
    // translations (Debian: qt6-translations-l10n). Without them Qt's texts
    // stay English.
    installTranslation(app, QStringLiteral("qtbase"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (language == Language::English)
        installTranslation(app, QStringLiteral("verkan-r"), QStringLiteral(":/i18n"));
}
