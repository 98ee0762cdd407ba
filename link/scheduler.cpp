#include "link/scheduler.h"

#include "link/codec.h"

StartupRow startupSequenceRow(int s)
{
    static const char *const speeds[] = {"115200,N,8,1", "57600,N,8,1", "38400,N,8,1",
                                         "19200,N,8,1",  "9600,N,8,1",  "4800,N,8,1"};
    if (s >= 7 && s <= 12)
        return {QString::fromLatin1(speeds[s - 7]), codec::ReadGain};
    static const int readBack[] = {codec::ReadSelfTest,     codec::ReadAlarmTime, codec::ReadFront,
                                   codec::ReadAccumulation, codec::ReadThreshold, codec::ReadGain,
                                   codec::ReadLimit};
    if (s >= 0 && s <= 6)
        return {QString(), readBack[s]};
    return {QString(), 0};
}

std::optional<SchedulerSlot> schedulerTick(SharedState &state, int flank)
{
    state.CntIntervCom = qint16(state.CntIntervCom - 1);
    if (state.CntIntervCom > 0)
        return std::nullopt;
    // A countdown that somehow went below zero must not stall the exchange.
    state.CntIntervCom = kTicksPerSlot;

    if (state.CntZaprosUstanov > 0) {
        state.CntZaprosUstanov = qint16(state.CntZaprosUstanov - 1);
        const StartupRow row = startupSequenceRow(state.CntZaprosUstanov);
        return SchedulerSlot{row.lineSettings,
                             codec::requestForFlank(state.MarkerCom, row.code, flank)};
    }
    if (state.CntComOutBuf > 0) {
        state.CntComOutBuf = 0;
        return SchedulerSlot{QString(), state.TekCom};
    }
    return SchedulerSlot{QString(), state.ZaprosCom};
}

void putIntoMailbox(SharedState &state, const QString &frame)
{
    state.a = frame;
    state.TekCom = state.a;
    if (state.CntComOutBuf < kMailboxCountLimit)
        state.CntComOutBuf = qint16(state.CntComOutBuf + 1);
}
