#pragma once

#include "base/colors.h"
#include "journal/journalline.h"
#include "link/statusreading.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <chrono>

// How often the alarm tone repeats while a flank is in alarm.
constexpr std::chrono::milliseconds kAlarmToneRepeat{700};

// Flank state codes of the state byte (all bits but the tamper bit).
enum FlankStateCode : int {
    FlankNorm = 0,
    FlankAlarm = 1,
    FlankBadLevel = 2,
    FlankCableBreak = 4,
    FlankCableShort = 36,
};

// What happens to the fault note, the line beside the flank state.
enum class FaultNoteChange {
    Unchanged,         // unrecognised code: leave caption and colours alone
    WindowBackground,  // caption set, background = the window's own colour
    RedText,           // caption set, text colour red, background untouched
};

enum class EnableChange { Unchanged, Enable, Disable };

// What a status reply asks of the alarm tone. StartIfSoundOn: when sound is
// on and the tone is not repeating yet, start it; a repeating tone keeps its
// phase.
enum class ToneChange { Unchanged, Stop, StartIfSoundOn };

// Everything one status reply changes on screen, to be applied in this
// order: flank state, fault note, remote test button, journal lines, tone,
// tamper state.
struct StatusIndication {
    bool flankShown = false;  // false: the flank state keeps caption and colour
    QString flankCaption;
    quint32 flankColour = 0;  // background, 0xBBGGRR

    FaultNoteChange faultNote = FaultNoteChange::Unchanged;
    QString faultCaption;

    EnableChange remoteTest = EnableChange::Unchanged;
    ToneChange tone = ToneChange::Unchanged;

    QString tamperCaption;  // always set
    quint32 tamperColour = 0;

    // In the order they are to be written: the flank's, then the tamper's.
    QList<JournalLine> journal;
};

// Turns status replies into what the window shows and journals. Remembers
// the last flank state code and tamper state, so that only changes are
// journalled.
class FlankMonitor {
public:
    // `flank` is the flank's number as shown ("1" or "2").
    StatusIndication decode(const StatusReading &reading, const QString &flank);

    int lastFlankCode() const { return m_lastFlankCode; }
    bool lastTamperOpen() const { return m_lastTamperOpen; }

private:
    int m_lastFlankCode = FlankNorm;
    bool m_lastTamperOpen = false;
};

// The words of a flank state code, as the window shows them ("Норма",
// "Тревога", "Неисправность" with the fault), or an empty text for a code
// that has none.
QString flankStateText(int flankCode);
// The background the window gives a flank state code (0xBBGGRR): green for
// norm, red for an alarm, yellow for a fault; white for a code that has no
// words.
quint32 flankStateColour(int flankCode);

// The journal line of a flank changing to `flankCode` (empty for a code that
// has no words); `flank` as shown ("1" or "2").
JournalLine flankJournalLine(int flankCode, const QString &flank);
// The journal line of the tamper contact opening or closing.
JournalLine tamperJournalLine(bool open);
