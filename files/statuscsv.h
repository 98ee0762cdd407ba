#pragma once

#include "link/statusreading.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Status replies as a CSV file: a header line, then one row per reply with
// the time (ISO 8601 with milliseconds), the flank, the state code and its
// words, the tamper sensor (1: open) and the four voltages. Commas between
// fields and '.' as decimal point whatever the locale, UTF-8, so that
// spreadsheets and pandas read the file anywhere.
class StatusCsvWriter {
public:
    StatusCsvWriter() = default;
    ~StatusCsvWriter() { close(); }
    StatusCsvWriter(const StatusCsvWriter &) = delete;
    StatusCsvWriter &operator=(const StatusCsvWriter &) = delete;

    static QByteArray header();
    static QByteArray row(const QDateTime &time, int flank, const StatusReading &reading);

    // Creates or empties the file and writes the header.
    bool open(const QString &path);
    // Why the last open() or append() failed, in the program's words
    // ("нет места на диске").
    QString errorString() const;
    // One row, handed to the system at once, so a recording cut short keeps
    // what it had. The file only ever holds whole rows: a row that cannot be
    // written whole is taken back.
    bool append(const QDateTime &time, int flank, const StatusReading &reading);
    int rows() const { return m_rows; }
    void close();

private:
    bool writeWhole(const QByteArray &bytes);

    int m_fd = -1;
    qint64 m_size = 0;  // the file's whole rows, header included
    int m_error = 0;    // errno of the call that failed
    int m_rows = 0;
};
