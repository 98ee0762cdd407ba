#pragma once

// Drives the window's receive path with arbitrary input, as the fuzz target
// and the corpus replay test both do.
//
// One input is laid out as:
//   byte 0         options applied before the first chunk (kOption* bits);
//   byte 1         n = byte & 15, the number of cut pairs that follow;
//   n pairs        [length, action]: the next `length & 63` bytes of the
//                  stream form one receive event, and `action` (see
//                  applyAction) runs just before it is delivered;
//   the rest       the byte stream; whatever the cuts leave is delivered as
//                  one final receive event.
// A short input simply runs out: missing header bytes read as 0.
//
// Every input starts from the same state, that of a new window right after
// "СТАРТ" and one status reply, so any failure replays from its input alone.
// Building a window for every input would cost far more than the input
// itself; the harness keeps one window and puts it back instead.

#include "app/settingcontrols.h"
#include "support/formfixture.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

class ReceiveHarness {
public:
    enum Option : quint8 {
        kOptionFlank2 = 0x01,        // pick flank 2 in the flank selector
        kOptionSound = 0x02,         // tick "Звук"
        kOptionHalfVolt = 0x04,      // "0,5В/дел."
        kOptionOneSecond = 0x08,     // "1c./дел."
        kOptionControlPass = 0x10,   // press "Старт" of the control pass
        kOptionExchangeSlot = 0x20,  // run one slot of the exchange timer
        kOptionWatchdog = 0x40,      // one silent watchdog period (port reopen)
        kOptionRepaint = 0x80,       // render the chart after the input
    };

    // Most bytes one input may deliver; the rest of a longer input is
    // ignored so that every input costs a bounded time.
    static constexpr int kMaxStreamBytes = 4096;

    // Builds the window on a fake port and presses "СТАРТ". Needs a
    // QApplication.
    ReceiveHarness();

    // Runs one input. The window stays as the input left it until the next
    // one, for the caller to look at.
    void run(const std::uint8_t *data, std::size_t size);
    void run(const QByteArray &input)
    {
        run(reinterpret_cast<const std::uint8_t *>(input.constData()), std::size_t(input.size()));
    }

    FormFixture &fixture() { return m_fixture; }

    // Builds an input that delivers `stream` in events of the given lengths
    // (the remainder in a last event), with no options and no actions.
    static QByteArray input(const QByteArray &stream, const QList<int> &cuts = {},
                            quint8 options = 0);

private:
    void restoreBaseline();
    void applyOptions(quint8 options);
    void applyAction(quint8 action);
    void keepBounded();

    FormFixture m_fixture;
    SettingControlTable m_rows;  // the setting rows' controls, found once
};
