#pragma once

#include "link/protocol.h"

#include <QString>

#include <optional>

// Line speeds the start-up sequence tries, in the order it tries them.
constexpr int kSearchSpeeds[] = {4800, 9600, 19200, 38400, 57600, 115200};
constexpr int kSpeedCount = 6;
// The speed the port is given before any search.
constexpr int kDefaultBaud = 9600;

// The caption of a speed as shown under the chart: the first six characters
// of "<speed>,N,8,1" ("9600,N", "115200").
QString speedCaption(int baud);
// The search speeds as a list for messages: "4800, 9600, ..., 115200".
QString searchSpeedsText();

// The exchange scheduler: every protocol::kTicksPerSlot-th tick of the
// exchange timer is a slot, and every slot sends exactly one frame, chosen
// in strict priority: the start-up sequence (speed search with a gain probe per speed, then the
// read-back of the seven flank settings), the mailbox, the standing poll.
class Scheduler {
public:
    // Slots after a flank change: one read of each flank setting.
    static constexpr int kReadBackLength = protocol::kFlankSettingCount;
    static constexpr int kStartupLength = kSpeedCount + kReadBackLength;  // slots after "СТАРТ"
    // Most frames the mailbox count reaches: queuing while stopped must not
    // overflow it.
    static constexpr int kMailboxCountLimit = 1000;

    struct Slot {
        int baud = 0;       // set on the port before the frame; 0: keep the speed
        QString frame;      // the request to write, CR included
        bool poll = false;  // the frame is the standing poll
    };

    // One row of the start-up sequence by the number of slots still left
    // after this one (0..12): the speed it sets (0: none) and the code it asks.
    struct StartupRow {
        int baud;
        int code;
    };
    static StartupRow startupRow(int slotsLeft);

    // One exchange-timer tick. Returns the slot's work, or nothing when the
    // tick is not a slot.
    std::optional<Slot> tick(int address, int flank);

    // A fixed speed shortens the speed search to one probe at that speed;
    // 0 (the default) searches every speed of kSearchSpeeds.
    void setFixedSpeed(int baud) { m_fixedBaud = baud; }
    void beginStartup() { m_startupSlots = m_fixedBaud > 0 ? kReadBackLength + 1 : kStartupLength; }
    void beginReadBack() { m_startupSlots = kReadBackLength; }
    // Ends the speed search at the speed in use: the read-back comes next.
    // False when no search was running.
    bool endSpeedSearch();

    void setStandingPoll(const QString &frame) { m_standingPoll = frame; }
    // Puts a frame into the mailbox, replacing one not yet sent.
    void queue(const QString &frame);

    // Ticks still to come before the next slot (1..protocol::kTicksPerSlot).
    int ticksToSlot() const { return m_ticksToSlot; }
    int startupSlotsLeft() const { return m_startupSlots; }
    int mailboxCount() const { return m_mailboxCount; }
    const QString &mailbox() const { return m_mailbox; }

private:
    int m_ticksToSlot = protocol::kTicksPerSlot;
    int m_startupSlots = 0;
    int m_fixedBaud = 0;
    QString m_mailbox;
    int m_mailboxCount = 0;
    QString m_standingPoll;
};
