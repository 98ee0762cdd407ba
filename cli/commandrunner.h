#pragma once

#include "cli/arguments.h"
#include "diagram/signalchart.h"
#include "files/commissioningreport.h"
#include "files/statuscsv.h"
#include "link/discovery.h"
#include "link/exchange.h"
#include "link/qtserialport.h"
#include "params/settingstransfer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <memory>

// Runs one verkan-cli command on the shared engine: the command starts the
// exchange (or the discovery) and then reacts to its signals until it is
// done; run() turns the event loop meanwhile. Nothing here waits on the
// port: pacing is the exchange's 60 ms slot and the detector's replies.
class CommandRunner : public QObject {
    Q_OBJECT
public:
    explicit CommandRunner(const CliArguments &arguments, QObject *parent = nullptr);

    // Runs the command to its end and returns the exit code.
    int run();

private:
    // Opens the port and starts the exchange; false (and done) when the
    // port does not open.
    bool startExchange();
    void finish(int code);
    void fail(int code, const QString &message);
    // The port as shown in messages: "COM-порт 1 (/dev/ttyS0)".
    QString portText() const;
    // A status reply of the flank being polled, not an answer still in
    // flight from before a flank change.
    bool settled() const;

    void discover();
    void status();
    void readSettings();
    void apply();
    void applyRead(bool complete);
    void applyWritten();
    void applyReadBack(bool complete);
    void record();
    void report();
    void reportStatus(const StatusReading &reading);
    void reportPassStep(const StatusReading &reading);
    void writeReport();

    CliArguments m_args;
    QtSerialPortService m_port;
    Exchange m_exchange;
    QEventLoop m_loop;
    int m_exit = ExitDone;
    bool m_done = false;

    // Made only for discover: it reads the port as soon as it exists.
    std::unique_ptr<Discovery> m_discovery;
    int m_lastProgressBaud = 0;
    SettingsReader m_reader;
    SettingsWriter m_writer;
    SettingsProfile m_wanted;
    SettingsProfile m_before;
    bool m_allConfirmed = true;
    StatusCsvWriter m_csv;
    QTimer m_recordTimer;
    CommissioningReport m_report;
    SignalChart m_chart;
    QElapsedTimer m_passClock;
    bool m_passStopping = false;
};
