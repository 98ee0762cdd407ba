#include "monitor/statusdecoder.h"

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
    {FlankNorm, "Норма", bgr::Green, FaultNoteChange::WindowBackground, " ", EnableChange::Enable,
     ToneChange::Stop, "  Норма", "  Норма"},
    {FlankAlarm, "Тревога", bgr::Red, FaultNoteChange::WindowBackground, " ", EnableChange::Disable,
     ToneChange::StartIfSoundOn, "  Тревога", "  Тревога"},
    {FlankBadLevel, "Неисправность", bgr::Yellow, FaultNoteChange::RedText,
     "Некорректный уровень ПМ!", EnableChange::Unchanged, ToneChange::Unchanged,
     "  Некорректный уровень", "  Некоректный уровень"},
    {FlankCableBreak, "Неисправность", bgr::Yellow, FaultNoteChange::RedText, " Обрыв кабеля ",
     EnableChange::Unchanged, ToneChange::Unchanged, "  Обрыв кабеля", "  Обрыв кабеля"},
    {FlankCableShort, "Неисправность", bgr::Yellow, FaultNoteChange::RedText, " Замыкание кабеля ",
     EnableChange::Unchanged, ToneChange::Unchanged, "  Замыкание кабеля", "  Замыкание кабеля"},
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
    QString text = QString::fromUtf8(row->caption);
    if (row->faultNote == FaultNoteChange::RedText)
        text += QLatin1Char(' ') + QString::fromUtf8(row->faultCaption).trimmed();
    return text;
}

StatusIndication FlankMonitor::decode(const StatusReading &reading, const QString &flank)
{
    StatusIndication out;
    const int flankCode = reading.flankCode() & 0xFF;
    if (const FlankRow *row = flankRow(flankCode)) {
        out.flankShown = true;
        out.flankCaption = QString::fromUtf8(row->caption);
        out.flankColour = row->colour;
        out.faultNote = row->faultNote;
        out.faultCaption = QString::fromUtf8(row->faultCaption);
        out.remoteTest = row->remoteTest;
        out.tone = row->tone;
        if (flankCode != m_lastFlankCode) {
            out.journal.append(
                {QStringLiteral("  Фланг -") + flank + QString::fromUtf8(row->listWords),
                 QStringLiteral(" Фланг -") + flank + QString::fromUtf8(row->fileWords)});
        }
    }
    // Unrecognised codes are remembered too, so the next recognised code is
    // journalled even when it equals the one shown before.
    m_lastFlankCode = flankCode;

    const bool open = reading.tamperOpen();
    out.tamperCaption = open ? QStringLiteral("Разомкнут") : QStringLiteral("Замкнут");
    out.tamperColour = open ? bgr::Red : bgr::Black;
    if (open != m_lastTamperOpen) {
        out.journal.append(
            open ? JournalLine{QStringLiteral("  ДВ разомкнут"), QStringLiteral(" ДВ разомкнут")}
                 : JournalLine{QStringLiteral("  ДВ замкнут"), QStringLiteral(" ДВ замкнут")});
    }
    m_lastTamperOpen = open;
    return out;
}
