#include "monitor/statusdecoder.h"

#include "base/enginetext.h"

namespace {

struct FlankRow {
    int code;
    const char *caption;
    quint32 colour;
    FaultNoteChange faultNote;
    const char *faultCaption;
    EnableChange remoteTest;
    ToneChange tone;
    const char *listWords;  // after "Фланг -" and the flank number
    const char *fileWords;
};

// Looked up by whole value, first match wins.
const FlankRow kFlankRows[] = {
    {FlankNorm, QT_TRANSLATE_NOOP("Engine", "Норма"), bgr::Green, FaultNoteChange::WindowBackground,
     " ", EnableChange::Enable, ToneChange::Stop, QT_TRANSLATE_NOOP("Engine", "  Норма"),
     QT_TRANSLATE_NOOP("Engine", "  Норма")},
    {FlankAlarm, QT_TRANSLATE_NOOP("Engine", "Тревога"), bgr::Red,
     FaultNoteChange::WindowBackground, " ", EnableChange::Disable, ToneChange::StartIfSoundOn,
     QT_TRANSLATE_NOOP("Engine", "  Тревога"), QT_TRANSLATE_NOOP("Engine", "  Тревога")},
    {FlankBadLevel, QT_TRANSLATE_NOOP("Engine", "Неисправность"), bgr::Yellow,
     FaultNoteChange::RedText, QT_TRANSLATE_NOOP("Engine", "Некорректный уровень ПМ!"),
     EnableChange::Unchanged, ToneChange::Unchanged,
     QT_TRANSLATE_NOOP("Engine", "  Некорректный уровень"),
     QT_TRANSLATE_NOOP("Engine", "  Некоректный уровень")},
    {FlankCableBreak, QT_TRANSLATE_NOOP("Engine", "Неисправность"), bgr::Yellow,
     FaultNoteChange::RedText, QT_TRANSLATE_NOOP("Engine", " Обрыв кабеля "),
     EnableChange::Unchanged, ToneChange::Unchanged, QT_TRANSLATE_NOOP("Engine", "  Обрыв кабеля"),
     QT_TRANSLATE_NOOP("Engine", "  Обрыв кабеля")},
    {FlankCableShort, QT_TRANSLATE_NOOP("Engine", "Неисправность"), bgr::Yellow,
     FaultNoteChange::RedText, QT_TRANSLATE_NOOP("Engine", " Замыкание кабеля "),
     EnableChange::Unchanged, ToneChange::Unchanged,
     QT_TRANSLATE_NOOP("Engine", "  Замыкание кабеля"),
     QT_TRANSLATE_NOOP("Engine", "  Замыкание кабеля")},
};

const FlankRow *flankRow(int code)
{
    for (const FlankRow &row : kFlankRows) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

}  // namespace

QString flankStateText(int flankCode)
{
    const FlankRow *row = flankRow(flankCode);
    if (!row)
        return QString();
    QString text = engineText(row->caption);
    if (row->faultNote == FaultNoteChange::RedText)
        text += QLatin1Char(' ') + engineText(row->faultCaption).trimmed();
    return text;
}

quint32 flankStateColour(int flankCode)
{
    const FlankRow *row = flankRow(flankCode);
    return row ? row->colour : bgr::White;
}

JournalLine flankJournalLine(int flankCode, const QString &flank)
{
    const FlankRow *row = flankRow(flankCode);
    if (!row)
        return {};
    return {
        engineText(QT_TRANSLATE_NOOP("Engine", "  Фланг -")) + flank + engineText(row->listWords),
        engineText(QT_TRANSLATE_NOOP("Engine", " Фланг -")) + flank + engineText(row->fileWords)};
}

JournalLine tamperJournalLine(bool open)
{
    return open ? JournalLine{engineText(QT_TRANSLATE_NOOP("Engine", "  ДВ разомкнут")),
                              engineText(QT_TRANSLATE_NOOP("Engine", " ДВ разомкнут"))}
                : JournalLine{engineText(QT_TRANSLATE_NOOP("Engine", "  ДВ замкнут")),
                              engineText(QT_TRANSLATE_NOOP("Engine", " ДВ замкнут"))};
}

StatusIndication FlankMonitor::decode(const StatusReading &reading, const QString &flank)
{
    StatusIndication out;
    const int flankCode = reading.flankCode() & 0xFF;
    if (const FlankRow *row = flankRow(flankCode)) {
        out.flankShown = true;
        out.flankCaption = engineText(row->caption);
        out.flankColour = row->colour;
        out.faultNote = row->faultNote;
        out.faultCaption = engineText(row->faultCaption);
        out.remoteTest = row->remoteTest;
        out.tone = row->tone;
        if (flankCode != m_lastFlankCode)
            out.journal.append(flankJournalLine(flankCode, flank));
    }
    // Unrecognised codes are remembered too, so the next recognised code is
    // journalled even when it equals the one shown before.
    m_lastFlankCode = flankCode;

    const bool open = reading.tamperOpen();
    out.tamperCaption = open ? engineText(QT_TRANSLATE_NOOP("Engine", "Разомкнут"))
                             : engineText(QT_TRANSLATE_NOOP("Engine", "Замкнут"));
    out.tamperColour = open ? bgr::Red : bgr::Black;
    if (open != m_lastTamperOpen)
        out.journal.append(tamperJournalLine(open));
    m_lastTamperOpen = open;
    return out;
}
