#pragma once

#include "app/taskdialog.h"
#include "files/commissioningreport.h"

class Exchange;

// "Отчёт о проверке…": the commissioning report of verkan-cli from the
// running exchange. Reads both flanks' settings, then takes one status reply
// of each flank (the exchange goes back to the flank it was on), adds the
// last control pass of the window if there was one, and writes the PDF.
class ReportDialog : public TaskDialog {
    Q_OBJECT
public:
    ReportDialog(QWidget *parent, Exchange &exchange, const QString &path,
                 const std::optional<CommissioningReport::Pass> &pass);

private:
    void statusReceived(const StatusReading &reading);
    void write();

    Exchange &m_exchange;
    QString m_path;
    CommissioningReport m_report;
    int m_originalFlank = 1;
    bool m_takingStatus = false;
};
