#include "link/linewatch.h"

#include "link/codec.h"
#include "link/protocol.h"
#include "link/statusreading.h"

#include <QTimer>

#include <algorithm>

LineWatch::LineWatch(SerialPortService &port, QObject *parent)
    : QObject(parent), m_port(port), m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    // Each slot is timed on its own (armNextSlot): a repeating timer catching
    // up after a late slot would cut the next one short, and a reply late
    // from the slot before could then look like an answer to the poll in
    // flight.
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &LineWatch::slot);
    connect(&m_port, &SerialPortService::dataReceived, this, &LineWatch::bytesArrived);
    connect(&m_port, &SerialPortService::ready, this, &LineWatch::portReady);
    connect(&m_port, &SerialPortService::openFailed, this, &LineWatch::portOpenFailed);
}

LineWatch::~LineWatch()
{
    if (m_running) {
        m_timer->stop();
        m_port.close();
    }
}

qint64 LineWatch::shortestAnswerMicroseconds(int baud)
{
    if (baud <= 0)
        return 0;
    return qint64(kPollChars + kStatusReplyChars) * kBitsPerChar * 1000000 / baud;
}

std::chrono::milliseconds LineWatch::slotLength(int baud)
{
    // At the protocol's slot a poll and its reply fit on the wire from 9600
    // baud up; below that the slot grows so that a prompt reply still
    // completes within it.
    const auto needed = std::chrono::milliseconds(
        (shortestAnswerMicroseconds(baud) + kSlotMarginMicroseconds + 999) / 1000);
    return std::max<std::chrono::milliseconds>(protocol::kSlot, needed);
}

bool LineWatch::start(const PortDescription &port, const QList<int> &addresses, int baud)
{
    stop();
    QList<Station> stations;
    QList<int> seen;
    for (int address : addresses) {
        if (address < protocol::kLowestAddress || address > protocol::kHighestAddress ||
            seen.contains(address))
            continue;
        seen << address;
        Station s;
        s.address = address;
        stations << s;
    }
    if (stations.isEmpty())
        return false;
    m_port.setPort(port);
    m_port.setBaudRate(baud);
    if (!m_port.open())
        return false;
    m_port.setSoftwareFlowControl(true);
    m_port.readAll();
    m_stations = stations;
    m_slotStation = -1;
    m_answered = false;
    m_liveStation = -1;
    m_liveFlank = 2;
    m_deadStation = -1;
    m_liveSlotsSinceDead = 0;
    m_dropped = 0;
    m_mailbox.clear();
    m_requestAddress = -1;
    m_assembler.dropBody();
    m_slotNanoseconds = std::chrono::nanoseconds(slotLength(baud)).count();
    m_clock.start();
    ++m_generation;
    m_running = true;
    m_waitingForPort = !m_port.isReady();
    if (!m_waitingForPort) {
        m_deadline = m_clock.nsecsElapsed();
        armNextSlot();
    }
    return true;
}

void LineWatch::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_waitingForPort = false;
    m_timer->stop();
    m_port.close();
    m_slotStation = -1;
    m_requestAddress = -1;
    m_mailbox.clear();
    m_assembler.dropBody();
    emit stopped();
}

bool LineWatch::queueRequest(const QString &frame)
{
    bool ok = false;
    const int address = frame.mid(1, 2).toInt(&ok, 16);
    if (!m_running || !ok || !frame.startsWith(QLatin1Char('$')) ||
        m_mailbox.size() >= kMailboxLimit)
        return false;
    for (const Station &s : std::as_const(m_stations)) {
        if (s.address == address) {
            m_mailbox.append(frame);
            return true;
        }
    }
    return false;
}

bool LineWatch::isAlive(int address) const
{
    for (const Station &s : m_stations)
        if (s.address == address)
            return s.alive;
    return false;
}

void LineWatch::portReady()
{
    if (!m_running || !m_waitingForPort)
        return;
    m_waitingForPort = false;
    m_port.readAll();
    m_deadline = m_clock.nsecsElapsed();
    armNextSlot();
}

void LineWatch::portOpenFailed()
{
    if (!m_running || !m_waitingForPort)
        return;
    m_waitingForPort = false;
    emit startFailed(m_port.lastOpenErrorText());
    stop();
}

void LineWatch::bytesArrived()
{
    if (!m_running || m_waitingForPort)
        return;
    m_assembler.feed(m_port.readAll(), *this);
}

void LineWatch::slot()
{
    if (!m_running || m_waitingForPort)
        return;
    const int generation = m_generation;
    // Bytes already waiting arrived within the slot that is ending.
    bytesArrived();
    if (!m_running || generation != m_generation)
        return;
    endSlot();
    if (!m_running || generation != m_generation)
        return;
    // A mailbox request takes the slot when the one before polled, so that
    // requests never hold the polls up for long.
    const bool polledLast = m_requestAddress < 0;
    m_requestAddress = -1;
    if (polledLast && !m_mailbox.isEmpty()) {
        const QString frame = m_mailbox.takeFirst();
        m_requestAddress = frame.mid(1, 2).toInt(nullptr, 16);
        m_answered = false;
        m_port.write(frame.toLatin1());
        m_sentAt = m_clock.nsecsElapsed();
        armNextSlot();
        return;
    }
    int station = -1;
    int flank = 1;
    if (chooseNext(&station, &flank)) {
        m_slotStation = station;
        m_slotFlank = flank;
        m_answered = false;
        m_port.write(codec::requestForFlank(m_stations[station].address, protocol::kStatus, flank)
                         .toLatin1());
        m_sentAt = m_clock.nsecsElapsed();
    }
    armNextSlot();
}

void LineWatch::armNextSlot()
{
    // Slots keep a fixed cadence, so that a late timer or a slow write does
    // not stretch the round: the next slot is due a slot after this one was.
    // But it never comes sooner than a slot less kSlotSlackMilliseconds after
    // now (just after this slot's frame went out): a prompt reply always
    // completes within its slot, a reply late from the slot before still
    // completes too soon to be taken for this one's, and after a long stall
    // the cadence catches up a little each slot instead of all at once.
    const qint64 now = m_clock.nsecsElapsed();
    constexpr qint64 kSlack = qint64(kSlotSlackMilliseconds) * 1000000;
    m_deadline = std::max(m_deadline + m_slotNanoseconds, now + m_slotNanoseconds - kSlack);
    m_timer->start(int((m_deadline - now + 999999) / 1000000));
}

void LineWatch::endSlot()
{
    // The tie between the line and the poll ends with its slot: a reply
    // still incomplete is dropped, and nothing heard from now on answers it.
    m_assembler.dropBody();
    const int index = m_slotStation;
    m_slotStation = -1;
    if (index < 0 || m_answered)
        return;
    Station &s = m_stations[index];
    ++s.missed;
    if (s.missed >= kMissedPollsForLost && (s.alive || !s.linkReported)) {
        s.alive = false;
        s.linkReported = true;
        emit link(s.address, false);
    }
}

int LineWatch::liveCount() const
{
    int n = 0;
    for (const Station &s : m_stations)
        n += s.polledAsLive() ? 1 : 0;
    return n;
}

bool LineWatch::chooseNext(int *station, int *flank)
{
    const int live = liveCount();
    const int dead = int(m_stations.size()) - live;
    // Lost and never-answering addresses share one slot after every
    // kLiveSlotsPerDeadSlot live ones, taking turns; when none answers they
    // are all polled in turn.
    if (dead > 0 && (live == 0 || m_liveSlotsSinceDead >= kLiveSlotsPerDeadSlot)) {
        *station = nextDead();
        *flank = 1;
        m_liveSlotsSinceDead = 0;
        return *station >= 0;
    }
    if (!nextLive(station, flank))
        return false;
    ++m_liveSlotsSinceDead;
    return true;
}

bool LineWatch::nextLive(int *station, int *flank)
{
    const int n = int(m_stations.size());
    if (m_liveStation >= 0 && m_liveStation < n && m_liveFlank == 1 &&
        m_stations[m_liveStation].polledAsLive()) {
        m_liveFlank = 2;
        *station = m_liveStation;
        *flank = 2;
        return true;
    }
    for (int step = 1; step <= n; ++step) {
        const int i = (m_liveStation + step + n) % n;
        if (m_stations[i].polledAsLive()) {
            m_liveStation = i;
            m_liveFlank = 1;
            *station = i;
            *flank = 1;
            return true;
        }
    }
    return false;
}

int LineWatch::nextDead()
{
    const int n = int(m_stations.size());
    for (int step = 1; step <= n; ++step) {
        const int i = (m_deadStation + step + n) % n;
        if (!m_stations[i].polledAsLive()) {
            m_deadStation = i;
            return i;
        }
    }
    return -1;
}

void LineWatch::settingReply(int code, const QString &body)
{
    // Only the request in flight has a setting reply coming; a setting reply
    // in a poll's slot answers nobody.
    if (!m_running || m_requestAddress < 0 || m_answered) {
        ++m_dropped;
        return;
    }
    m_answered = true;
    emit requestAnswered(m_requestAddress, code, body);
}

void LineWatch::statusReply(const QString &body)
{
    if (!m_running)
        return;
    // Only the first reply of a slot, and only one that the poll could have
    // brought about, answers it; any other is a late one from the slot
    // before or one nobody asked for.
    const qint64 elapsedUs = (m_clock.nsecsElapsed() - m_sentAt) / 1000;
    if (m_slotStation < 0 || m_answered ||
        elapsedUs < shortestAnswerMicroseconds(m_port.baudRate())) {
        ++m_dropped;
        return;
    }
    m_answered = true;
    const int generation = m_generation;
    const auto stillHere = [this, generation] { return m_running && generation == m_generation; };
    const int index = m_slotStation;
    const int flank = m_slotFlank;
    const int address = m_stations[index].address;
    const StatusReading reading = StatusReading::fromBody(body);
    m_stations[index].missed = 0;
    if (!m_stations[index].alive) {
        m_stations[index].alive = true;
        m_stations[index].linkReported = true;
        emit link(address, true);
        if (!stillHere())
            return;
    }
    const int code = reading.flankCode();
    if (m_stations[index].flankCode[flank - 1] != code) {
        m_stations[index].flankCode[flank - 1] = code;
        emit flankState(address, flank, code);
        if (!stillHere())
            return;
    }
    const int tamperOpen = reading.tamperOpen() ? 1 : 0;
    if (m_stations[index].tamper != tamperOpen) {
        m_stations[index].tamper = tamperOpen;
        emit tamper(address, tamperOpen != 0);
    }
}
