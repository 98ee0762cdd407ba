#include "monitor/statusdecoder.h"

#include "app/sharedstate.h"
#include "link/codec.h"

namespace {

struct FlankRow {
    int code;
    const char *label4Caption;
    quint32 label4Background;
    FaultLabelChange label25;
    const char *label25Caption;
    EnableChange command5;
    ToneChange timer4;
    const char *listWords;  // after "Фланг -" and the flank number
    const char *fileWords;
};

// Looked up by whole value, first match wins.
const FlankRow kFlankRows[] = {
    {FlankNorm, "Норма", bgr::Green, FaultLabelChange::WindowBackground, " ", EnableChange::Enable,
     ToneChange::Stop, "  Норма", "  Норма"},
    {FlankAlarm, "Тревога", bgr::Red, FaultLabelChange::WindowBackground, " ",
     EnableChange::Disable, ToneChange::StartIfSoundTicked, "  Тревога", "  Тревога"},
    {FlankBadLevel, "Неисправность", bgr::Yellow, FaultLabelChange::RedText,
     "Некорректный уровень ПМ!", EnableChange::Unchanged, ToneChange::Unchanged,
     "  Некорректный уровень", "  Некоректный уровень"},
    {FlankCableBreak, "Неисправность", bgr::Yellow, FaultLabelChange::RedText, " Обрыв кабеля ",
     EnableChange::Unchanged, ToneChange::Unchanged, "  Обрыв кабеля", "  Обрыв кабеля"},
    {FlankCableShort, "Неисправность", bgr::Yellow, FaultLabelChange::RedText, " Замыкание кабеля ",
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

int statusStateByte(const QString &buf1)
{
    return codec::TakeData(buf1, 11);
}

StatusIndication decodeStatus(SharedState &s, int stateByte, const QString &flank)
{
    const int raw = stateByte & 0xFF;
    StatusIndication out;
    out.flankCode = raw & 0xEF;
    out.tamper = raw & kTamperBit;

    if (const FlankRow *row = flankRow(out.flankCode)) {
        out.flankShown = true;
        out.label4Caption = QString::fromUtf8(row->label4Caption);
        out.label4Background = row->label4Background;
        out.label25 = row->label25;
        out.label25Caption = QString::fromUtf8(row->label25Caption);
        if (row->label25 == FaultLabelChange::RedText)
            out.label25TextColour = bgr::Red;
        out.command5 = row->command5;
        out.timer4 = row->timer4;
        if (out.flankCode != s.OLDSostKanNoDV) {
            out.journal.append(
                {QStringLiteral("  Фланг -") + flank + QString::fromUtf8(row->listWords),
                 QStringLiteral(" Фланг -") + flank + QString::fromUtf8(row->fileWords)});
        }
    }
    // Unrecognised codes are remembered too, so the next recognised code is
    // journalled even when it equals the one shown before.
    s.OLDSostKanNoDV = qint16(out.flankCode);

    const bool open = out.tamper == kTamperBit;
    out.label16Caption = open ? QStringLiteral("Разомкнут") : QStringLiteral("Замкнут");
    out.label16TextColour = open ? bgr::Red : bgr::Black;
    if (out.tamper != s.OLDDV) {
        out.journal.append(
            open ? JournalLine{QStringLiteral("  ДВ разомкнут"), QStringLiteral(" ДВ разомкнут")}
                 : JournalLine{QStringLiteral("  ДВ замкнут"), QStringLiteral(" ДВ замкнут")});
    }
    s.OLDDV = qint16(out.tamper);
    return out;
}
