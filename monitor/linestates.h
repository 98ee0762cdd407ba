#pragma once

// What a line watch has read of every detector on the line, and the events
// it turns into: the line view's table, verkan-cli watch's output lines and
// JSON, and the journal's "Блок N: ..." lines all come from here.
//
//   LineWatch::flankState / tamper / link -> LineStates -> rowChanged(row)
//       and event(LineEvent) -> the table, the output, LineJournal

#include "journal/journalline.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class EventJournal;
class LineWatch;
class PortDescription;

enum class LineEventKind { Flank, Tamper, Link };

// One change on the line. The first reading of each flank, of the tamper
// contact and of the link is an event too.
struct LineEvent {
    QDateTime time;
    int address = 0;
    LineEventKind kind = LineEventKind::Flank;
    int flank = 0;  // 1 or 2 for a flank event, else 0
    // flank: norm, alarm, level, break, short; tamper: open, closed;
    // link: lost, alive.
    QString state;
};

// The event's name in output and JSON: "flank", "tamper" or "link".
QString lineEventName(LineEventKind kind);
// The name of a flank state code ("norm", "alarm", ...); empty for a code
// that has none.
QString flankStateName(int flankCode);
// An event as one JSON object on one line, without the line end:
// {"time": "2026-12-06T10:00:00.123+00:00", "address": 7, "event": "flank",
//  "flank": 1, "state": "alarm"} (no "flank" for tamper and link events).
QByteArray lineEventJson(const LineEvent &event);
// An event as one line for people, with the same words:
// "2026-12-06T10:00:00.123+00:00 address 7 flank 1 alarm".
QString lineEventText(const LineEvent &event);
// A time as the events write it: ISO 8601 with milliseconds and the offset
// from UTC ("+00:00", never "Z").
QString lineEventTime(const QDateTime &time);

// The state of one detector as last read.
struct DetectorRow {
    enum Cell { Flank1, Flank2, Tamper, Link, CellCount };
    int address = 0;
    int flankCode[2] = {-1, -1};  // -1: not read yet
    int tamper = -1;              // -1: not read yet, 0: closed, 1: open
    int link = -1;                // -1: not known yet, 0: lost, 1: alive
    QDateTime lastChange;         // invalid until the first event
    // An alarm, an open tamper contact or a lost link the operator has not
    // acknowledged yet, per cell; it stays after the state returns.
    bool attention[CellCount] = {false, false, false, false};

    bool needsAcknowledgement() const;
    // A flank stands in alarm and has not been acknowledged.
    bool alarmUnacknowledged() const;
};

class LineStates : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    LineStates(LineWatch &watch, Clock clock = &QDateTime::currentDateTime,
               QObject *parent = nullptr);

    // One row per address, in this order, nothing read yet.
    void reset(const QList<int> &addresses);
    const QList<DetectorRow> &rows() const { return m_rows; }
    int rowOf(int address) const;  // -1 when not watched

    // The operator `operatorName` acknowledges what stands on `address`:
    // its highlights end. False when there was nothing to acknowledge.
    bool acknowledge(int address, const QString &operatorName);
    // Some flank stands in alarm unacknowledged: the alarm tone plays.
    bool alarmUnacknowledged() const;

signals:
    void event(const LineEvent &event);
    void rowChanged(int row);
    void acknowledged(int address, const QString &operatorName);

private:
    void flankState(int address, int flank, int code);
    void tamper(int address, bool open);
    void link(int address, bool alive);
    void changed(int row, const LineEvent &event);
    QDateTime now() const;

    Clock m_clock;
    QList<DetectorRow> m_rows;
};

// The journal lines of a line: "Блок 7: ..." for every event and
// acknowledgement, and the watch's start and stop.
JournalLine lineEventJournalLine(const LineEvent &event);

class LineJournal : public QObject {
    Q_OBJECT
public:
    LineJournal(LineStates &states, EventJournal &journal, QObject *parent = nullptr);

    void started(const PortDescription &port, const QList<int> &addresses);
    void stopped();

private:
    EventJournal &m_journal;
};
