#include "link/scheduler.h"

#include "link/codec.h"
#include "link/protocol.h"

#include <QStringList>

QString speedCaption(int baud)
{
    return QStringLiteral("%1,N,8,1").arg(baud).left(6);
}

QString searchSpeedsText()
{
    QStringList speeds;
    for (int speed : kSearchSpeeds)
        speeds.append(QString::number(speed));
    return speeds.join(QStringLiteral(", "));
}

Scheduler::StartupRow Scheduler::startupRow(int slotsLeft)
{
    // The speed search runs first, from the slowest speed up.
    if (slotsLeft >= kReadBackLength && slotsLeft < kStartupLength)
        return {kSearchSpeeds[kStartupLength - 1 - slotsLeft],
                protocol::flankSetting(protocol::FlankSetting::Gain).readCode};
    // The read-back asks the flank settings in their order, the limit first.
    if (slotsLeft >= 0 && slotsLeft < kReadBackLength)
        return {0, protocol::kFlankSettings[std::size_t(kReadBackLength - 1 - slotsLeft)].readCode};
    return {0, 0};
}

std::optional<Scheduler::Slot> Scheduler::tick(int address, int flank)
{
    if (--m_ticksToSlot > 0)
        return std::nullopt;
    // A countdown that somehow went below zero must not stall the exchange.
    m_ticksToSlot = protocol::kTicksPerSlot;

    if (m_startupSlots > 0) {
        --m_startupSlots;
        const StartupRow row = startupRow(m_startupSlots);
        const int baud = row.baud > 0 && m_fixedBaud > 0 ? m_fixedBaud : row.baud;
        return Slot{baud, codec::requestForFlank(address, row.code, flank)};
    }
    if (m_mailboxCount > 0) {
        m_mailboxCount = 0;
        return Slot{0, m_mailbox};
    }
    return Slot{0, m_standingPoll, true};
}

bool Scheduler::endSpeedSearch()
{
    if (m_startupSlots < kReadBackLength)
        return false;
    m_startupSlots = kReadBackLength;
    return true;
}

void Scheduler::queue(const QString &frame)
{
    m_mailbox = frame;
    if (m_mailboxCount < kMailboxCountLimit)
        ++m_mailboxCount;
}
