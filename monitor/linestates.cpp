#include "monitor/linestates.h"

#include "journal/eventjournal.h"
#include "link/addresslist.h"
#include "link/linewatch.h"
#include "link/portdescription.h"
#include "monitor/statusdecoder.h"

namespace {

struct StateName {
    int code;
    const char *name;
};

const StateName kFlankStateNames[] = {
    {FlankNorm, "norm"},        {FlankAlarm, "alarm"},      {FlankBadLevel, "level"},
    {FlankCableBreak, "break"}, {FlankCableShort, "short"},
};

QString jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

}  // namespace

QString lineEventName(LineEventKind kind)
{
    switch (kind) {
    case LineEventKind::Flank:
        return QStringLiteral("flank");
    case LineEventKind::Tamper:
        return QStringLiteral("tamper");
    case LineEventKind::Link:
        break;
    }
    return QStringLiteral("link");
}

QString flankStateName(int flankCode)
{
    for (const StateName &s : kFlankStateNames) {
        if (s.code == flankCode)
            return QLatin1String(s.name);
    }
    return QString();
}

QString lineEventTime(const QDateTime &time)
{
    // Written out by hand: every event is timed at least once on its way
    // out (and again for MQTT), and QDateTime::toString() reads its format
    // and looks the zone up again for each field, most of an event's cost.
    // The zone is asked once; the wall clock is arithmetic on the count of
    // milliseconds, the civil date from the day count (H. Hinnant's
    // days-to-civil algorithm).
    if (!time.isValid())
        return QString();
    const int offset = time.offsetFromUtc();
    const qint64 wallMs = time.toMSecsSinceEpoch() + qint64(offset) * 1000;
    constexpr qint64 kDayMs = 86400000;
    qint64 days = wallMs / kDayMs;
    qint64 ms = wallMs % kDayMs;
    if (ms < 0) {
        ms += kDayMs;
        --days;
    }
    const qint64 z = days + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 dayOfEra = z - era * 146097;
    const qint64 yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 mp = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    const int year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    const int minutes = qAbs(offset) / 60;

    char text[32];
    char *p = text;
    const auto digits = [&p](qint64 value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            p[i] = char('0' + value % 10);
            value /= 10;
        }
        p += width;
    };
    const auto put = [&p](char c) { *p++ = c; };
    digits(year, 4);
    put('-');
    digits(month, 2);
    put('-');
    digits(day, 2);
    put('T');
    digits(ms / 3600000, 2);
    put(':');
    digits(ms / 60000 % 60, 2);
    put(':');
    digits(ms / 1000 % 60, 2);
    put('.');
    digits(ms % 1000, 3);
    put(offset < 0 ? '-' : '+');
    digits(minutes / 60, 2);
    put(':');
    digits(minutes % 60, 2);
    return QString::fromLatin1(text, p - text);
}

QByteArray lineEventJson(const LineEvent &event)
{
    QByteArray json;
    json.reserve(112);
    json += "{\"time\": \"";
    json += lineEventTime(event.time).toLatin1();
    json += "\", \"address\": ";
    json += QByteArray::number(event.address);
    json += ", \"event\": \"";
    json += lineEventName(event.kind).toLatin1();
    json += '"';
    if (event.kind == LineEventKind::Flank) {
        json += ", \"flank\": ";
        json += QByteArray::number(event.flank);
    }
    json += ", \"state\": ";
    json += jsonString(event.state).toUtf8();
    json += '}';
    return json;
}

QString lineEventText(const LineEvent &event)
{
    QString text = lineEventTime(event.time) + QStringLiteral(" address ") +
                   QString::number(event.address) + QLatin1Char(' ') + lineEventName(event.kind);
    if (event.kind == LineEventKind::Flank)
        text += QLatin1Char(' ') + QString::number(event.flank);
    return text + QLatin1Char(' ') + event.state;
}

// --- Rows ----------------------------------------------------------------------

bool DetectorRow::needsAcknowledgement() const
{
    for (const bool a : attention) {
        if (a)
            return true;
    }
    return false;
}

bool DetectorRow::alarmUnacknowledged() const
{
    return (attention[Flank1] && flankCode[0] == FlankAlarm) ||
           (attention[Flank2] && flankCode[1] == FlankAlarm);
}

LineStates::LineStates(LineWatch &watch, Clock clock, QObject *parent)
    : QObject(parent), m_clock(std::move(clock))
{
    connect(&watch, &LineWatch::flankState, this, &LineStates::flankState);
    connect(&watch, &LineWatch::tamper, this, &LineStates::tamper);
    connect(&watch, &LineWatch::link, this, &LineStates::link);
}

void LineStates::reset(const QList<int> &addresses)
{
    m_rows.clear();
    for (const int address : addresses) {
        DetectorRow row;
        row.address = address;
        m_rows.append(row);
    }
}

int LineStates::rowOf(int address) const
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].address == address)
            return int(i);
    }
    return -1;
}

bool LineStates::acknowledge(int address, const QString &operatorName)
{
    const int i = rowOf(address);
    if (i < 0 || !m_rows[i].needsAcknowledgement())
        return false;
    for (bool &a : m_rows[i].attention)
        a = false;
    emit rowChanged(i);
    emit acknowledged(address, operatorName);
    return true;
}

bool LineStates::alarmUnacknowledged() const
{
    for (const DetectorRow &row : m_rows) {
        if (row.alarmUnacknowledged())
            return true;
    }
    return false;
}

void LineStates::flankState(int address, int flank, int code)
{
    const int i = rowOf(address);
    const QString name = flankStateName(code);
    // A code without a name changes nothing: the flank keeps its last known
    // state, so a garbled reading can never make a change of its own.
    if (i < 0 || name.isEmpty() || (flank != 1 && flank != 2) ||
        m_rows[i].flankCode[flank - 1] == code)
        return;
    DetectorRow &row = m_rows[i];
    row.flankCode[flank - 1] = code;
    if (code == FlankAlarm)
        row.attention[flank == 1 ? DetectorRow::Flank1 : DetectorRow::Flank2] = true;
    changed(i, {now(), address, LineEventKind::Flank, flank, name});
}

void LineStates::tamper(int address, bool open)
{
    const int i = rowOf(address);
    if (i < 0 || m_rows[i].tamper == int(open))
        return;
    m_rows[i].tamper = int(open);
    if (open)
        m_rows[i].attention[DetectorRow::Tamper] = true;
    changed(i, {now(), address, LineEventKind::Tamper, 0,
                open ? QStringLiteral("open") : QStringLiteral("closed")});
}

void LineStates::link(int address, bool alive)
{
    const int i = rowOf(address);
    if (i < 0 || m_rows[i].link == int(alive))
        return;
    m_rows[i].link = int(alive);
    if (!alive)
        m_rows[i].attention[DetectorRow::Link] = true;
    changed(i, {now(), address, LineEventKind::Link, 0,
                alive ? QStringLiteral("alive") : QStringLiteral("lost")});
}

QDateTime LineStates::now() const
{
    // The same moment with its offset from UTC fixed: the event's time is
    // written out several times (the output, the journal, MQTT), and a
    // local time asks the time zone again for every one of them.
    const QDateTime time = m_clock();
    return time.timeSpec() == Qt::LocalTime ? time.toOffsetFromUtc(time.offsetFromUtc()) : time;
}

void LineStates::changed(int row, const LineEvent &change)
{
    m_rows[row].lastChange = change.time;
    emit rowChanged(row);
    emit event(change);
}

// --- Journal -------------------------------------------------------------------

namespace {

// "Блок 7:" before a journal line's words, keeping the list's and the file's
// leading spaces.
JournalLine onDetector(int address, const JournalLine &line)
{
    const QString who = LineJournal::tr("Блок %1:").arg(address);
    return {QStringLiteral("  ") + who + line.listText.mid(1),
            QStringLiteral(" ") + who + line.fileText};
}

}  // namespace

JournalLine lineEventJournalLine(const LineEvent &event)
{
    JournalLine words;
    switch (event.kind) {
    case LineEventKind::Flank:
        for (const StateName &s : kFlankStateNames) {
            if (event.state == QLatin1String(s.name))
                words = flankJournalLine(s.code, QString::number(event.flank));
        }
        break;
    case LineEventKind::Tamper:
        words = tamperJournalLine(event.state == QLatin1String("open"));
        break;
    case LineEventKind::Link:
        words = event.state == QLatin1String("lost")
                    ? JournalLine{LineJournal::tr("  НЕТ СВЯЗИ С БЛОКОМ!"),
                                  LineJournal::tr(" НЕТ СВЯЗИ С БЛОКОМ!")}
                    : JournalLine{LineJournal::tr("  На связи"), LineJournal::tr(" На связи")};
        break;
    }
    return onDetector(event.address, words);
}

LineJournal::LineJournal(LineStates &states, EventJournal &journal, QObject *parent)
    : QObject(parent), m_journal(journal)
{
    connect(&states, &LineStates::event, this,
            [this](const LineEvent &event) { m_journal.record(lineEventJournalLine(event)); });
    connect(
        &states, &LineStates::acknowledged, this, [this](int address, const QString &operatorName) {
            const QString words = tr("Квитировано, оператор %1").arg(operatorName);
            m_journal.record(
                onDetector(address, {QStringLiteral("  ") + words, QStringLiteral(" ") + words}));
        });
}

void LineJournal::started(const PortDescription &port, const QList<int> &addresses)
{
    const QString words = tr("Наблюдение за линией.   Порт: ") + port.toString() +
                          tr("     Адреса: ") + addressListText(addresses);
    m_journal.record(QStringLiteral("   ") + words, QStringLiteral(" ") + words);
}

void LineJournal::stopped()
{
    const QString words = tr("Наблюдение за линией: стоп");
    m_journal.record(QStringLiteral("   ") + words, QStringLiteral(" ") + words);
}
