#pragma once

#include "app/sharedstate.h"

#include <QString>

#include <optional>

// The exchange scheduler: every sixth tick of the 10 ms exchange timer is a
// slot, and every slot sends exactly one frame, chosen in strict priority:
// the start-up sequence (speed search with a gain probe per speed, then the
// read-back of the seven flank settings), the mailbox, the standing poll.
constexpr int kTicksPerSlot = 6;
constexpr int kStartupSequenceLength = 13;  // slots after "СТАРТ"
constexpr int kReadBackLength = 7;          // slots after a flank change

struct SchedulerSlot {
    QString lineSettings;  // set on the port before the frame; empty: keep
    QString frame;         // the request to write, CR included
};

// One row of the start-up sequence, by the already lowered slot count.
struct StartupRow {
    QString lineSettings;  // empty for the read-back rows
    int code;              // 0 outside the sequence
};
StartupRow startupSequenceRow(int s);

// One exchange-timer tick. Returns the slot's work, or nothing when the tick
// is not a slot.
std::optional<SchedulerSlot> schedulerTick(SharedState &state, int flank);

// Puts a frame into the mailbox; the count saturates instead of overflowing.
void putIntoMailbox(SharedState &state, const QString &frame);
