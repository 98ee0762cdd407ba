#include "app/reportdialog.h"

#include "app/settingsdialogs.h"
#include "link/exchange.h"

using namespace Qt::StringLiterals;

ReportDialog::ReportDialog(QWidget *parent, Exchange &exchange, const QString &path,
                           const std::optional<CommissioningReport::Pass> &pass)
    : TaskDialog(parent, tr("Отчёт о проверке")), m_exchange(exchange), m_path(path)
{
    m_report.port = tr("COM-порт %1 (%2)")
                        .arg(exchange.portNumber())
                        .arg(exchange.port().deviceOf(exchange.portNumber()));
    m_report.address = exchange.address();
    m_report.pass = pass;
    m_originalFlank = exchange.flank();
    SettingsReader *reader = startSettingsRead(this, exchange);
    connect(reader, &SettingsReader::finished, this, [this, reader](bool complete) {
        if (!isWorking())
            return;
        if (!complete) {
            showEnded(tr("Блок %1 не ответил на чтение настроек.").arg(m_report.address), true);
            return;
        }
        m_report.settings = reader->profile();
        showProgress(tr("Состояние флангов блока %1").arg(m_report.address), 0, 0);
        m_takingStatus = true;
    });
    connect(&exchange, &Exchange::statusReceived, this, &ReportDialog::statusReceived);
    connect(&exchange, &Exchange::stopped, this, [this] {
        if (isWorking() && m_takingStatus)
            showEnded(tr("Обмен данными остановлен; отчёт не записан."), true);
    });
    connect(this, &TaskDialog::cancelRequested, this, [this] {
        if (m_exchange.isRunning() && m_exchange.flank() != m_originalFlank)
            m_exchange.changeFlank(m_originalFlank);
    });
}

void ReportDialog::statusReceived(const StatusReading &reading)
{
    // A reply still in flight from before a flank change is not the flank's.
    if (!isWorking() || !m_takingStatus || m_exchange.scheduler().startupSlotsLeft() > 0)
        return;
    const int flank = m_exchange.flank();
    if (const int missing = m_report.takeStatus(flank, reading)) {
        m_exchange.changeFlank(missing);
        return;
    }
    if (flank != m_originalFlank)
        m_exchange.changeFlank(m_originalFlank);
    m_takingStatus = false;
    write();
}

void ReportDialog::write()
{
    m_report.time = QDateTime::currentDateTime();
    m_report.baud = m_exchange.baudRate();
    QString error;
    if (!m_report.writePdf(m_path, &error)) {
        showEnded(tr("%1: не удалось записать файл (%2)").arg(m_path, error), true);
        return;
    }
    showEnded(tr("Отчёт записан в %1").arg(m_path));
}
