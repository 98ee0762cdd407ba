#include "journal/eventjournal.h"

#include "base/datetext.h"

#include <QFile>
#include <QStringEncoder>

QString journalTimestamp(const QDateTime &when, const QLocale &locale)
{
    return when.time() == QTime(0, 0) ? dateText(when.date(), locale) : dateTimeText(when, locale);
}

EventJournal::EventJournal(QString filePath, ListSink insertAtTop, Clock clock)
    : m_path(std::move(filePath)), m_insertAtTop(std::move(insertAtTop)), m_clock(std::move(clock))
{
}

namespace {

// Whether the file ends inside a line: a line cut short by a crash, or by a
// failed write that could not be taken back, must not have the next entry
// glued to it.
bool endsMidLine(QFile &file)
{
    char last = '\n';
    return (file.openMode() & QIODevice::ReadOnly) && file.size() > 0 &&
           file.seek(file.size() - 1) && file.getChar(&last) && last != '\n';
}

// Writes all of bytes or fails with the system's reason in errorString().
// A write that comes out short (a full disk, a file size limit) is followed
// by one for the rest, which then fails and says why; QFile itself reports a
// short write as an unknown error.
bool writeAll(QFile &file, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

}  // namespace

void EventJournal::record(const QString &listText, const QString &fileText)
{
    if (m_insertAtTop)
        m_insertAtTop(journalTimestamp(m_clock()) + listText);

    QString line = QLatin1Char('"') + journalTimestamp(m_clock()) + fileText + QLatin1Char('"') +
                   QStringLiteral("\r\n");

    // Binary append: the CR LF is written as is on every platform. Unbuffered,
    // so that each write reaches the system and its failure carries the
    // system's reason. Read access only serves to look at the last byte; a
    // file that may only be written is still appended to.
    QFile file(m_path);
    const auto mode = QIODevice::Append | QIODevice::Unbuffered;
    bool ok = file.open(mode | QIODevice::ReadWrite) || file.open(mode | QIODevice::WriteOnly);
    QString error;
    if (ok) {
        if (endsMidLine(file))
            line.prepend(QStringLiteral("\r\n"));
        QStringEncoder encode(QStringConverter::System);
        const QByteArray bytes = encode(line);
        const qint64 sizeBefore = file.size();
        ok = writeAll(file, bytes);
        if (!ok) {
            error = file.errorString();
            // Take back the part that was written: every line in the file
            // stays whole. Should that fail too, the next entry starts on a
            // line of its own.
            if (file.size() != sizeBefore)
                file.resize(sizeBefore);
        }
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
