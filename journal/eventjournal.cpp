#include "journal/eventjournal.h"

#include <QFile>
#include <QStringEncoder>

QString journalTimestamp(const QDateTime &when, const QLocale &locale)
{
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0))
        return date;
    // The locale's long time format carries a time zone ("t"); drop it.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    format = format.trimmed();
    return date + QLatin1Char(' ') + locale.toString(when.time(), format);
}

EventJournal::EventJournal(QString filePath, ListSink insertAtTop, Clock clock)
    : m_path(std::move(filePath)), m_insertAtTop(std::move(insertAtTop)), m_clock(std::move(clock))
{
}

void EventJournal::record(const QString &listText, const QString &fileText)
{
    if (m_insertAtTop)
        m_insertAtTop(journalTimestamp(m_clock()) + listText);

    const QString line = QLatin1Char('"') + journalTimestamp(m_clock()) + fileText +
                         QLatin1Char('"') + QStringLiteral("\r\n");
    QStringEncoder encode(QStringConverter::System);
    const QByteArray bytes = encode(line);

    QFile file(m_path);
    // Binary append: the CR LF is written as is on every platform.
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Append);
    QString error;
    if (ok) {
        ok = file.write(bytes) == bytes.size();
        if (ok)
            ok = file.flush();
        if (!ok)
            error = file.errorString();
        file.close();
        if (ok && file.error() != QFileDevice::NoError) {
            ok = false;
            error = file.errorString();
        }
    } else {
        error = file.errorString();
    }

    if (!ok && !m_failing) {
        m_failing = true;
        if (m_onFailure)
            m_onFailure(error);
    } else if (ok && m_failing) {
        m_failing = false;
        if (m_onFailure)
            m_onFailure(QString());
    }
}
