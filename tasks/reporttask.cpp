#include "tasks/reporttask.h"

#include "link/exchange.h"
#include "tasks/readsettingstask.h"
#include "tasks/settingstransfer.h"

#include <QCoreApplication>

ReportTask::ReportTask(Exchange &exchange, const QString &path, Options options, QObject *parent)
    : Task(&exchange, parent), m_path(path), m_options(std::move(options)),
      m_reader(makeSettingsReader(this, exchange)),
      m_unitNumberReader(new UnitNumberReader(exchange, m_options.unitNumberTiming, this))
{
    connect(m_reader, &SettingsReader::finished, this, &ReportTask::settingsRead);
    connect(m_unitNumberReader, &UnitNumberReader::finished, this, &ReportTask::unitNumberRead);
    connect(&exchange, &Exchange::statusReceived, this, &ReportTask::statusReceived);
}

void ReportTask::start()
{
    begin();
    whenExchangeRuns([this] {
        Exchange &link = *exchange();
        m_report = CommissioningReport();
        const PortDescription &where = link.portDescription();
        m_report.port = !m_options.port.isEmpty() ? m_options.port
                        : where.kind() == PortDescription::Kind::ComNumber
                            ? QStringLiteral("COM%1 (%2)")
                                  .arg(where.comNumber())
                                  .arg(link.port().deviceOf(where))
                            : where.label();
        m_report.address = link.address();
        m_report.site = m_options.site;
        m_report.installer = m_options.installer;
        m_report.pass = m_options.pass;
        m_passFlank = link.flank();
        m_phase = Phase::Settings;
        startReading(this, m_reader, link.address());
    });
}

void ReportTask::endWork()
{
    m_reader->cancel();
    m_unitNumberReader->cancel();
}

void ReportTask::exchangeEnded(bool linkLost)
{
    if (linkLost)
        Task::exchangeEnded(linkLost);
    else
        fail(Failure::Stopped, tr("Обмен данными остановлен; отчёт не записан."));
}

void ReportTask::settingsRead(bool complete)
{
    if (!isRunning())
        return;
    if (!complete) {
        fail(Failure::NoAnswer, settingsNotRead(exchange()->address()));
        return;
    }
    m_report.settings = m_reader->profile();
    m_phase = Phase::UnitNumber;
    emit progress(tr("Чтение номера блока %1").arg(m_report.address), 0, 0);
    m_unitNumberReader->start();
}

void ReportTask::unitNumberRead()
{
    // A number that cannot be read is said in the report; it does not stop it.
    if (!isRunning())
        return;
    m_report.unitNumber = m_unitNumberReader->unitNumber();
    m_phase = Phase::Status;
    emit progress(tr("Состояние флангов блока %1").arg(m_report.address), 0, 0);
}

void ReportTask::statusReceived(const StatusReading &reading)
{
    // A reply still in flight from before a flank change is not the flank's.
    if (!isRunning() || m_phase == Phase::Settings || m_phase == Phase::UnitNumber ||
        !exchange()->statusIsCurrent())
        return;
    if (m_phase == Phase::Pass) {
        passSample(reading);
        return;
    }
    if (const int missing = m_report.takeStatus(exchange()->flank(), reading)) {
        exchange()->changeFlank(missing);
        return;
    }
    if (m_options.passSeconds <= 0) {
        write();
        return;
    }
    // The pass is measured on the flank the exchange was on; it starts with
    // the first reply of that flank.
    restoreFlank();
    m_phase = Phase::Pass;
    if (exchange()->flank() == m_passFlank && exchange()->statusIsCurrent())
        passSample(reading);
}

void ReportTask::passSample(const StatusReading &reading)
{
    if (!m_pass.running() && !m_recorder.recording()) {
        m_pass.start();
        m_passClock.start();
        emit passStarted(m_passFlank);
        emit progress(tr("Контрольный проход на фланге %1").arg(m_passFlank), 0, 0);
    }
    if (!m_passStopping && m_passClock.elapsed() >= m_options.passSeconds * 1000) {
        m_pass.requestStop();
        m_passStopping = true;
    }
    const std::optional<ControlPass::Step> step = m_pass.advance(reading.signal, reading.threshold);
    if (!step)
        return;
    if (std::optional<CommissioningReport::Pass> pass =
            m_recorder.take(reading, *step, m_passFlank)) {
        m_report.pass = std::move(pass);
        write();
    }
}

void ReportTask::write()
{
    restoreFlank();
    m_report.time = QDateTime::currentDateTime();
    m_report.baud = exchange()->baudRate();
    QString reason;
    if (!m_report.writePdf(m_path, &reason)) {
        fail(Failure::FileNotWritten, tr("%1: не удалось записать файл (%2)").arg(m_path, reason));
        return;
    }
    succeed(tr("Отчёт записан в %1").arg(m_path));
}
