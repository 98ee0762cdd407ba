#pragma once

#include "app/colors.h"
#include "monitor/journalline.h"

#include <QList>
#include <QString>
#include <QtGlobal>

struct SharedState;

// Interval the alarm tone timer is given when an alarm starts it.
constexpr int kToneIntervalMs = 700;

// Flank state codes of the state byte (all bits but the tamper bit).
enum FlankStateCode : int {
    FlankNorm = 0,
    FlankAlarm = 1,
    FlankBadLevel = 2,
    FlankCableBreak = 4,
    FlankCableShort = 36,
};

constexpr int kTamperBit = 16;

// What happens to Label25, the line under the flank state.
enum class FaultLabelChange {
    Unchanged,         // unrecognised code: leave caption and colours alone
    WindowBackground,  // caption set, background = the window's own colour
    RedText,           // caption set, text colour red, background untouched
};

enum class EnableChange { Unchanged, Enable, Disable };

// What the decoder asks of the alarm tone timer Timer4. StartIfSoundTicked
// means: when Check3 is ticked and Timer4 is not running, give it
// kToneIntervalMs and start it; a running timer is never restarted.
enum class ToneChange { Unchanged, Stop, StartIfSoundTicked };

// Everything one status reply changes in the window, for the window to apply
// in this order: Label4, Label25, Command5, the journal line of the flank,
// Timer4, Label16, the journal line of the tamper sensor. The journal lines
// are listed in the order they are to be written.
struct StatusIndication {
    int flankCode = 0;  // state byte AND 0xEF
    int tamper = 0;     // state byte AND 16

    bool flankShown = false;  // false: Label4 keeps caption and background
    QString label4Caption;
    quint32 label4Background = 0;

    FaultLabelChange label25 = FaultLabelChange::Unchanged;
    QString label25Caption;
    quint32 label25TextColour = 0;  // only with FaultLabelChange::RedText

    EnableChange command5 = EnableChange::Unchanged;
    ToneChange timer4 = ToneChange::Unchanged;

    QString label16Caption;  // always set
    quint32 label16TextColour = 0;

    QList<JournalLine> journal;
};

// The state byte of a status body (its sixth byte, characters 11 and 12).
int statusStateByte(const QString &buf1);

// Decodes the state byte of one status reply of the flank whose selector text
// is `flank`. Updates OLDSostKanNoDV and OLDDV in `s` (every code is stored,
// recognised or not) and returns what the window has to show and journal.
StatusIndication decodeStatus(SharedState &s, int stateByte, const QString &flank);
