#include "link/discovery.h"

#include "link/codec.h"
#include "link/protocol.h"
#include "link/receiver.h"
#include "link/scheduler.h"

#include <QTimer>

#include <algorithm>

namespace {

// Collects the bodies of the valid replies in a stream of bytes.
class ReplyCollector : public ReplyHandler {
public:
    QStringList bodies;
    void frameEnd() override {}
    void pauseExchange() override {}
    void statusReply(const QString &body) override { bodies << body; }
    void settingReply(int, const QString &body) override { bodies << body; }
};

}  // namespace

Discovery::Discovery(SerialPortService &port, QObject *parent)
    : QObject(parent), m_port(port), m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(protocol::kSlot);
    connect(m_timer, &QTimer::timeout, this, &Discovery::slot);
    connect(&m_port, &SerialPortService::dataReceived, this, &Discovery::bytesArrived);
    connect(&m_port, &SerialPortService::ready, this, &Discovery::portReady);
    connect(&m_port, &SerialPortService::openFailed, this, &Discovery::portOpenFailed);
}

bool Discovery::start(const PortDescription &port, int firstAddress, int lastAddress, int onlyBaud)
{
    m_port.setPort(port);
    if (m_port.fixesLineSpeed())
        onlyBaud = m_port.baudRate();
    m_speeds = onlyBaud > 0 ? QList<int>{onlyBaud}
                            : QList<int>(std::begin(kSearchSpeeds), std::end(kSearchSpeeds));
    m_found.clear();
    m_first = firstAddress;
    m_last = lastAddress;
    m_speedIndex = 0;
    m_address = firstAddress;
    m_asked = -1;
    m_done = 0;
    m_unconfirmed = 0;
    m_candidates.clear();
    m_port.setBaudRate(m_speeds[0]);
    if (!m_port.open())
        return false;
    m_port.setSoftwareFlowControl(true);
    m_port.readAll();
    m_waitingForPort = !m_port.isReady();
    if (!m_waitingForPort)
        m_timer->start();
    return true;
}

void Discovery::portReady()
{
    if (!m_waitingForPort)
        return;
    m_waitingForPort = false;
    m_port.readAll();
    m_timer->start();
}

void Discovery::portOpenFailed()
{
    if (!m_waitingForPort)
        return;
    m_waitingForPort = false;
    emit openFailed(m_port.lastOpenErrorText());
    finish();
}

bool Discovery::isRunning() const
{
    return m_waitingForPort || m_timer->isActive();
}

int Discovery::total() const
{
    return (m_last - m_first + 1) * int(m_speeds.size());
}

void Discovery::cancel()
{
    if (isRunning())
        finish();
}

void Discovery::bytesArrived()
{
    m_received += m_port.readAll();
}

void Discovery::slot()
{
    // The answer to the probe of the last slot, if any. A reply belongs to
    // the probe of its slot only: what came before the probe went out was
    // thrown away with the slot before.
    if (m_asked >= 0) {
        ReplyAssembler assembler;
        ReplyCollector collector;
        assembler.feed(m_received, collector);
        if (m_candidates.isEmpty() && !collector.bodies.isEmpty()) {
            // A reply in the slot may still be another's: a detector at the
            // address before answering after its slot ended, or a reply
            // nobody asked for. The same address is asked again; only the
            // same reply in that slot too makes it a detector.
            m_candidates = collector.bodies;
            askAgain();
            return;
        }
        if (!m_candidates.isEmpty()) {
            const auto confirms = [this](const QString &body) {
                return m_candidates.contains(body);
            };
            if (std::any_of(collector.bodies.cbegin(), collector.bodies.cend(), confirms)) {
                m_found.append({m_asked, m_speeds[m_speedIndex]});
                emit detectorFound(m_asked, m_speeds[m_speedIndex]);
            } else {
                ++m_unconfirmed;
            }
            m_candidates.clear();
        }
        ++m_done;
        emit progress(m_done, total(), m_speeds[m_speedIndex]);
        m_asked = -1;
        if (++m_address > m_last) {
            m_address = m_first;
            if (++m_speedIndex >= m_speeds.size()) {
                finish();
                return;
            }
            m_port.setBaudRate(m_speeds[m_speedIndex]);
        }
    }
    m_asked = m_address;
    askAgain();
}

void Discovery::askAgain()
{
    m_received.clear();
    m_port.write(codec::requestAddressOnly(m_asked, protocol::kReadUnitNumber).toLatin1());
}

void Discovery::finish()
{
    m_waitingForPort = false;
    m_timer->stop();
    m_port.close();
    emit finished();
}
