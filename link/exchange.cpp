#include "link/exchange.h"

#include "link/codec.h"
#include "link/protocol.h"

#include <QTimer>

#include <algorithm>

std::chrono::milliseconds Exchange::openBodyLimit(int baud)
{
    // A whole reply ("!", the longest body, CR) at ten bits a character, a
    // margin for the pauses of the detector and of USB adapters (which hand
    // bytes on every 16 ms), and never beyond one slot.
    constexpr int kReplyBits = (1 + protocol::kStatusBodyLength + 1) * 10;
    constexpr std::chrono::milliseconds kMargin{40};
    const std::chrono::milliseconds reply{(kReplyBits * 1000 + baud - 1) / std::max(baud, 1)};
    return std::min(reply + kMargin, protocol::kSlot);
}

Exchange::Exchange(SerialPortService &port, QObject *parent)
    : QObject(parent), m_port(port), m_tickTimer(new QTimer(this)), m_watchdog(new QTimer(this)),
      m_bodyTimer(new QTimer(this))
{
    m_clock.start();
    m_bodyTimer->setSingleShot(true);
    m_bodyTimer->setTimerType(Qt::PreciseTimer);
    connect(m_bodyTimer, &QTimer::timeout, this, &Exchange::openBodyExpired);
    m_tickTimer->setObjectName(QStringLiteral("Timer1"));
    m_tickTimer->setTimerType(Qt::PreciseTimer);
    m_tickTimer->setSingleShot(true);
    m_watchdog->setObjectName(QStringLiteral("Timer5"));
    m_watchdog->setInterval(kWatchdogPeriod);
    connect(m_tickTimer, &QTimer::timeout, this, &Exchange::ticksElapsed);
    connect(m_watchdog, &QTimer::timeout, this, &Exchange::watchdogExpired);
    connect(&m_port, &SerialPortService::dataReceived, this, &Exchange::bytesArrived);
    connect(&m_port, &SerialPortService::ready, this, &Exchange::portReady);
    connect(&m_port, &SerialPortService::openFailed, this, &Exchange::portOpenFailed);
    m_port.setBaudRate(kDefaultBaud);
}

Exchange::~Exchange() = default;

bool Exchange::openPort()
{
    m_port.setPort(m_portDescription);
    if (!m_port.open())
        return false;
    m_port.setSoftwareFlowControl(true);
    return true;
}

Exchange::StartResult Exchange::start(const PortDescription &port, int address, int flank)
{
    m_portDescription = port;
    if (!openPort())
        return {false, m_port.lastOpenError()};
    m_running = true;
    dropOpenBody();
    m_address = address;
    m_flank = flank;
    m_silentPeriods = 0;
    m_linkEstablished = false;
    m_pollAwaitsReply = false;
    m_missedPolls = 0;
    m_waitingForPort = !m_port.isReady();
    if (!m_waitingForPort)
        beginStartup();
    return {true, SerialPortService::OpenError::None};
}

void Exchange::beginStartup()
{
    m_scheduler.setFixedSpeed(m_port.fixesLineSpeed() ? m_port.baudRate() : m_fixedSpeed);
    m_scheduler.setStandingPoll(codec::requestForFlank(m_address, protocol::kStatus, m_flank));
    m_scheduler.beginStartup();
    m_scheduler.queue(codec::requestAddressOnly(m_address, protocol::kReadUnitNumber));
    armTicks(m_clock.elapsed());
    m_watchdog->start();
    emit started();
}

void Exchange::portReady()
{
    // A reconnection after a port reset needs nothing: the slots go on.
    if (!m_running || !m_waitingForPort)
        return;
    m_waitingForPort = false;
    beginStartup();
}

void Exchange::portOpenFailed()
{
    // A reconnection that fails after a port reset is the watchdog's to
    // judge: the link is declared lost at its next period.
    if (!m_running || !m_waitingForPort)
        return;
    emit startFailed(m_port.lastOpenError(), m_port.lastOpenErrorText());
    stop();
}

void Exchange::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_waitingForPort = false;
    pauseTicks();
    m_watchdog->stop();
    m_bodyTimer->stop();
    m_port.close();
    m_linkEstablished = false;
    m_pollAwaitsReply = false;
    m_missedPolls = 0;
    markReadingsStale();
    emit stopped();
}

void Exchange::changeFlank(int flank)
{
    m_flank = flank;
    m_scheduler.beginReadBack();
    m_scheduler.setStandingPoll(codec::requestForFlank(m_address, protocol::kStatus, m_flank));
}

void Exchange::queueRequest(const QString &frame)
{
    m_scheduler.queue(frame);
}

// The exchange timer ticks every 10 ms and every sixth tick is a slot. The
// ticks in between do nothing but count, so instead of waking up for each
// the timer sleeps until the next slot and the ticks it slept through are
// counted at once; a pause counts the ticks that had passed, so the slot
// comes at the same moment as with a tick every 10 ms.
void Exchange::armTicks(qint64 from)
{
    m_armedTicks = m_scheduler.ticksToSlot();
    m_armedAt = from;
    const qint64 due = m_armedAt + m_armedTicks * protocol::kTick.count() - m_clock.elapsed();
    m_tickTimer->start(std::chrono::milliseconds(std::max<qint64>(due, 0)));
}

void Exchange::pauseTicks()
{
    if (!m_tickTimer->isActive())
        return;
    m_tickTimer->stop();
    const int passed = int((m_clock.elapsed() - m_armedAt) / protocol::kTick.count());
    for (int i = 0; i < std::min(passed, m_armedTicks - 1); ++i)
        tick();
}

void Exchange::ticksElapsed()
{
    for (int i = 0; i < m_armedTicks; ++i)
        tick();
    // The next slot is due a slot after this one was, however late the
    // timer woke: the cadence does not drift.
    if (m_running)
        armTicks(m_armedAt + m_armedTicks * protocol::kTick.count());
}

void Exchange::resumeTicking()
{
    // A running timer keeps its phase.
    if (!m_tickTimer->isActive())
        armTicks(m_clock.elapsed());
}

void Exchange::tick()
{
    const std::optional<Scheduler::Slot> slot = m_scheduler.tick(m_address, m_flank);
    if (!slot)
        return;
    if (slot->baud > 0)
        m_port.setBaudRate(slot->baud);
    // A stray XOFF on the line holds our output until an XON that the
    // detector never sends: whatever is still waiting to go out by the next
    // slot is let go, so the XOFF costs at most this one slot.
    if (m_port.outputSuspended())
        m_port.resumeOutput();
    countPollSlot(slot->poll);
    m_port.write(slot->frame.toLatin1());
    m_mayPause = true;
    // Only the speed search changes the speed in a slot; a port that fixes
    // its own speed has nothing to search.
    if (slot->baud > 0 && !m_port.fixesLineSpeed())
        emit speedTried(slot->baud);
}

// A slot has come: the poll of the slot before, if it was one, is answered
// by now or missed. Slots that ask something else neither count nor break a
// run of missed polls; a reading comes only as the answer to a poll.
void Exchange::countPollSlot(bool poll)
{
    if (m_pollAwaitsReply && ++m_missedPolls >= kMissedPollsForStale)
        markReadingsStale();
    m_pollAwaitsReply = poll;
}

void Exchange::markReadingsStale()
{
    if (!m_readingsFresh)
        return;
    m_readingsFresh = false;
    emit readingsStale();
}

void Exchange::watchdogExpired()
{
    ++m_silentPeriods;
    if (m_silentPeriods == 1) {
        // First silent period: treat it as a disturbance of the port. A port
        // that does not reopen leaves the watchdog running, so the loss is
        // still declared at the next period.
        m_port.close();
        openPort();
        dropOpenBody();
        resumeTicking();
        emit portReset();
        return;
    }
    m_watchdog->stop();
    --m_silentPeriods;
    emit linkLost();
    stop();
}

void Exchange::bytesArrived()
{
    // While stopped the port belongs to whoever opened it (discovery).
    if (!m_running)
        return;
    m_assembler.feed(m_port.readAll(), *this);
}

void Exchange::dropOpenBody()
{
    m_assembler.dropBody();
    m_bodyTimer->stop();
}

void Exchange::openBodyExpired()
{
    // Nothing closed the body in the time a whole reply takes: line noise.
    // The next slot goes out whatever the line does until then.
    m_assembler.dropBody();
    m_mayPause = false;
    resumeTicking();
}

void Exchange::bodyClosed()
{
    m_bodyTimer->stop();
    resumeTicking();
}

void Exchange::frameEnd()
{
    m_silentPeriods = 0;
    emit linkAlive();
    if (!m_linkEstablished) {
        m_linkEstablished = true;
        emit linkEstablished();
    }
    if (m_scheduler.endSpeedSearch())
        emit speedFound(m_port.baudRate());
    m_watchdog->start();
}

void Exchange::pauseExchange()
{
    if (!m_mayPause)
        return;
    pauseTicks();
    if (!m_bodyTimer->isActive())
        m_bodyTimer->start(openBodyLimit(m_port.baudRate()));
}

void Exchange::statusReply(const QString &body)
{
    m_pollAwaitsReply = false;
    m_missedPolls = 0;
    if (!m_readingsFresh) {
        m_readingsFresh = true;
        emit readingsFresh();
    }
    emit statusReceived(StatusReading::fromBody(body));
}

void Exchange::settingReply(int code, const QString &body)
{
    emit settingReceived(code, codec::byteAt(body, 3));
}
