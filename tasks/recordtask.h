#pragma once

#include "files/statuscsv.h"
#include "tasks/task.h"

#include <QTimer>

// Records the status replies of the polled flank into a CSV file, one row per
// reply, from the first reply of that flank (neither replies of the start-up
// sequence nor those still in flight from before a flank change) for a given
// time or until stop(). "Запись сигнала в файл…" in the window, `record` in
// verkan-cli.
class RecordTask : public Task {
    Q_OBJECT
public:
    // `seconds`: how long to record, counted from the first row; 0: until
    // stop().
    RecordTask(Exchange &exchange, const QString &path, double seconds = 0,
               QObject *parent = nullptr);

    // Creates the file; the task fails at once when it cannot.
    void start();
    // Ends the recording: the rows written so far are the file.
    void stop();
    int rows() const { return m_csv.rows(); }
    const QString &path() const { return m_path; }

signals:
    // A row was written.
    void rowWritten(int rows);

protected:
    void endWork() override;

private:
    void statusReceived(const StatusReading &reading);
    QString recorded() const;

    QString m_path;
    double m_seconds;
    StatusCsvWriter m_csv;
    QTimer m_timer;
};
