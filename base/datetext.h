#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Dates and times as the window, its journal and its report write them, in
// the language of the given locale (QLocale's default is the one the
// program's language installed).
//
// Russian, and every language but English: the locale's short date and its
// long time without the time zone, "07.12.2026 14:05:09". English: the ISO
// 8601 date and the 24-hour time, "2026-12-07 14:05:09", because English-
// speaking countries disagree on whether the day or the month comes first.

inline bool writesIsoDates(const QLocale &locale)
{
    return locale.language() == QLocale::English;
}

inline QString dateText(const QDate &date, const QLocale &locale = QLocale())
{
    return writesIsoDates(locale) ? date.toString(Qt::ISODate)
                                  : locale.toString(date, QLocale::ShortFormat);
}

inline QString timeText(const QTime &time, const QLocale &locale = QLocale())
{
    if (writesIsoDates(locale))
        return time.toString(QStringLiteral("HH:mm:ss"));
    // The locale's long time format carries a time zone ("t"); drop it.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(time, format.trimmed());
}

inline QString dateTimeText(const QDateTime &when, const QLocale &locale = QLocale())
{
    return dateText(when.date(), locale) + QLatin1Char(' ') + timeText(when.time(), locale);
}
