#pragma once

#include "journal/journalline.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>

// The event journal: every event becomes a line at the top of the on-screen
// list and a line appended to "Jurnal.txt". The file is opened and closed for
// every entry, so it is complete on disk after each one. A file that cannot
// be written never stops the caller: the list entry is made anyway and the
// failure is reported once through the failure callback, until a write
// succeeds again.
class EventJournal {
public:
    using Clock = std::function<QDateTime()>;
    using ListSink = std::function<void(const QString &entry)>;
    using FailureSink = std::function<void(const QString &message)>;

    EventJournal(QString filePath, ListSink insertAtTop, Clock clock = &QDateTime::currentDateTime);

    // Journals one event: list text with a time stamp into the list, then the
    // file text with a fresh time stamp, in double quotes and CR LF, into the
    // file.
    void record(const QString &listText, const QString &fileText);
    void record(const JournalLine &line) { record(line.listText, line.fileText); }

    void setFailureSink(FailureSink sink) { m_onFailure = std::move(sink); }
    // Called with an empty message when writing works again after a failure.
    bool fileWritable() const { return !m_failing; }
    QString filePath() const { return m_path; }

private:
    QString m_path;
    ListSink m_insertAtTop;
    Clock m_clock;
    FailureSink m_onFailure;
    bool m_failing = false;
};

// The general date-and-time form of a journal time stamp: the date and the
// time of base/datetext.h, one space between. Midnight exactly gives the
// date alone.
QString journalTimestamp(const QDateTime &when, const QLocale &locale = QLocale());
