#pragma once

#include "link/statusreading.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

// Status replies as a CSV file: a header line, then one row per reply with
// the time (ISO 8601 with milliseconds), the flank, the state code and its
// words, the tamper sensor (1: open) and the four voltages. Commas between
// fields and '.' as decimal point whatever the locale, UTF-8, so that
// spreadsheets and pandas read the file anywhere.
class StatusCsvWriter {
public:
    static QByteArray header();
    static QByteArray row(const QDateTime &time, int flank, const StatusReading &reading);

    // Creates or empties the file and writes the header.
    bool open(const QString &path);
    QString errorString() const { return m_file.errorString(); }
    // One row, flushed at once, so a recording cut short keeps what it had.
    bool append(const QDateTime &time, int flank, const StatusReading &reading);
    int rows() const { return m_rows; }
    void close() { m_file.close(); }

private:
    QFile m_file;
    int m_rows = 0;
};
