#include "i18n/language.h"

#include <QCoreApplication>
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

void installLanguage(QCoreApplication &app, Language language)
{
    // A second call replaces the language the first one installed.
    for (QTranslator *old :
         app.findChildren<QTranslator *>(QString(), Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    if (language == Language::English) {
        // British English keeps the Russian window's day-first dates and
        // 24-hour clock: "06/12/2026 14:05:09", "2.51 V".
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        auto *translator = new QTranslator(&app);
        if (translator->load(QStringLiteral(":/i18n/verkan-r_en.qm")))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    } else {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
}
