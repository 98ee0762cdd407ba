#pragma once

#include "diagram/controlpass.h"
#include "files/commissioningreport.h"
#include "tasks/passrecorder.h"
#include "tasks/settingstransfer.h"
#include "tasks/task.h"

#include <QElapsedTimer>

// Writes a commissioning report (PDF) of the detector on a running exchange:
// reads both flanks' settings and the detector's unit number (a report whose
// number cannot be read says so), takes one status reply of each flank, adds
// a control pass and writes the file whole or not at all. The pass is either
// one measured before (the window's last pass) or measured here, on the flank
// the exchange was on, for a given time. "Отчёт о проверке…" in the window,
// `report` in verkan-cli.
class ReportTask : public Task {
    Q_OBJECT
public:
    struct Options {
        // How the report names the port; empty: "COM<n> (<device>)".
        QString port;
        // A pass measured before, reported as it is.
        std::optional<CommissioningReport::Pass> pass;
        // Above 0: a control pass of this many seconds is measured first.
        double passSeconds = 0;
        // Where the detector is installed and who commissioned it.
        QString site;
        QString installer;
        // How the unit number is asked for again and given up.
        SettingsReader::Timing unitNumberTiming;
    };

    ReportTask(Exchange &exchange, const QString &path, Options options, QObject *parent = nullptr);

    void start();
    const CommissioningReport &report() const { return m_report; }

signals:
    // The control pass begins, on `flank`.
    void passStarted(int flank);

protected:
    void endWork() override;
    void exchangeEnded(bool linkLost) override;

private:
    enum class Phase { Settings, UnitNumber, Status, Pass };

    void settingsRead(bool complete);
    void unitNumberRead();
    void statusReceived(const StatusReading &reading);
    void passSample(const StatusReading &reading);
    void write();

    QString m_path;
    Options m_options;
    SettingsReader *m_reader;
    UnitNumberReader *m_unitNumberReader;
    CommissioningReport m_report;
    Phase m_phase = Phase::Settings;
    int m_passFlank = 1;
    ControlPass m_pass;
    PassRecorder m_recorder;
    QElapsedTimer m_passClock;
    bool m_passStopping = false;
};
