#include "tasks/recordtask.h"

#include "link/exchange.h"

RecordTask::RecordTask(Exchange &exchange, const QString &path, double seconds, QObject *parent)
    : Task(&exchange, parent), m_path(path), m_seconds(seconds)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RecordTask::stop);
    connect(&exchange, &Exchange::statusReceived, this, &RecordTask::statusReceived);
}

void RecordTask::start()
{
    begin();
    if (!m_csv.open(m_path))
        fail(Failure::FileNotWritten,
             tr("%1: не удалось создать файл (%2)").arg(m_path, m_csv.errorString()));
}

void RecordTask::stop()
{
    if (isRunning())
        succeed(recorded());
}

QString RecordTask::recorded() const
{
    return tr("Записано ответов: %1, файл %2").arg(m_csv.rows()).arg(m_path);
}

void RecordTask::endWork()
{
    m_timer.stop();
    m_csv.close();
}

void RecordTask::statusReceived(const StatusReading &reading)
{
    if (!isRunning() || !exchange()->statusIsCurrent())
        return;
    if (m_seconds > 0 && m_csv.rows() == 0)
        m_timer.start(int(m_seconds * 1000));
    if (!m_csv.append(QDateTime::currentDateTime(), exchange()->flank(), reading)) {
        fail(Failure::FileNotWritten,
             tr("%1: не удалось записать файл (%2)").arg(m_path, m_csv.errorString()));
        return;
    }
    emit rowWritten(m_csv.rows());
}
