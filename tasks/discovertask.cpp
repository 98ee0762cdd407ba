#include "tasks/discovertask.h"

#include "link/openfailure.h"
#include "link/serialport.h"

DiscoverTask::DiscoverTask(SerialPortService &port, const PortDescription &where, Options options,
                           QObject *parent)
    : Task(nullptr, parent), m_port(port), m_where(where), m_options(std::move(options))
{
}

QString DiscoverTask::portName() const
{
    return portInMessages(m_where, m_port);
}

QList<Discovery::Found> DiscoverTask::found() const
{
    return m_discovery ? m_discovery->found() : QList<Discovery::Found>();
}

void DiscoverTask::start()
{
    begin();
    delete m_discovery;
    // Made only now: it reads the port from the moment it exists.
    m_discovery = new Discovery(m_port, this);
    connect(m_discovery, &Discovery::detectorFound, this, &DiscoverTask::detectorFound);
    connect(m_discovery, &Discovery::progress, this, [this](int done, int total, int baud) {
        const int count = m_options.lastAddress - m_options.firstAddress + 1;
        const int address = m_options.firstAddress + (done - 1) % count;
        emit probed(address, baud, done, total);
        emit progress(tr("Поиск: %1 бод, адрес %2 (проверено %3 из %4)")
                          .arg(baud)
                          .arg(address)
                          .arg(done)
                          .arg(total),
                      done, total);
    });
    connect(m_discovery, &Discovery::openFailed, this, [this](const QString &reason) {
        fail(Failure::PortNotOpen, tr("%1: %2.").arg(portName(), reason));
    });
    connect(m_discovery, &Discovery::finished, this, &DiscoverTask::searchEnded);
    if (!m_discovery->start(m_where, m_options.firstAddress, m_options.lastAddress,
                            m_options.onlyBaud)) {
        fail(Failure::PortNotOpen, tr("%1: %2.").arg(portName(), m_port.lastOpenErrorText()));
        return;
    }
    emit progress(m_where.kind() == PortDescription::Kind::ComNumber
                      ? tr("Поиск на COM-порту %1…").arg(m_where.comNumber())
                      : tr("Поиск: %1…").arg(m_where.label()),
                  0, m_discovery->total());
}

void DiscoverTask::endWork()
{
    // The port is closed however the search ends.
    if (m_discovery)
        m_discovery->cancel();
}

void DiscoverTask::searchEnded()
{
    if (!isRunning())
        return;
    if (m_discovery->found().isEmpty())
        fail(Failure::NoAnswer, tr("%1: ни один блок не ответил.").arg(portName()));
    else
        succeed(tr("Найдено блоков: %1.").arg(m_discovery->found().size()));
}
