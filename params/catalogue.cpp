#include "params/catalogue.h"

#include "base/enginetext.h"
#include "link/codec.h"
#include "params/numbertext.h"

#include <cmath>

namespace {

// The catalogue: one row per setting, the unit number first, then the seven
// per-flank settings in the order the start-up read sequence reads them.
const std::array<SettingRow, kSettingCount> kRows = {{
    {Setting::UnitNumber, QT_TRANSLATE_NOOP("Engine", "Номер блока"), codec::ReadUnitNumber, 0,
     false, 1, 128, 0, ShownAs::Position, nullptr, nullptr, "unitNumber"},
    {Setting::Limit, QT_TRANSLATE_NOOP("Engine", "Предел"), codec::ReadLimit, codec::WriteLimit,
     true, 0, 3, 0, ShownAs::LimitItem, QT_TRANSLATE_NOOP("Engine", "  Установлен предел -"),
     QT_TRANSLATE_NOOP("Engine", "   Установлен предел -"), "limit"},
    {Setting::Gain, QT_TRANSLATE_NOOP("Engine", "Усиление:"), codec::ReadGain, codec::WriteGain,
     true, 1, 9, 0, ShownAs::Position, QT_TRANSLATE_NOOP("Engine", "  Установлено усиление -"),
     QT_TRANSLATE_NOOP("Engine", "  Установлено усиление -"), "gain"},
    {Setting::Threshold, QT_TRANSLATE_NOOP("Engine", "Порог (В)"), codec::ReadThreshold,
     codec::WriteThreshold, true, 1, 14, 1, ShownAs::Threshold,
     QT_TRANSLATE_NOOP("Engine", "  Установлен порог -"),
     QT_TRANSLATE_NOOP("Engine", "  Установлен порог -"), "threshold"},
    {Setting::Accumulation, QT_TRANSLATE_NOOP("Engine", "Накопление (мсек)"),
     codec::ReadAccumulation, codec::WriteAccumulation, true, 1, 19, 0, ShownAs::Accumulation,
     QT_TRANSLATE_NOOP("Engine", "  Установлено накопление -"),
     QT_TRANSLATE_NOOP("Engine", "  Установлено накопление -"), "accumulation"},
    {Setting::Front, QT_TRANSLATE_NOOP("Engine", "Фронт (мВ/мсек)"), codec::ReadFront,
     codec::WriteFront, true, 1, 10, 0, ShownAs::Front,
     QT_TRANSLATE_NOOP("Engine", "  Установлен фронт -"),
     QT_TRANSLATE_NOOP("Engine", "  Установлен фронт -"), "front"},
    {Setting::AlarmTime, QT_TRANSLATE_NOOP("Engine", "Тревога (сек)"), codec::ReadAlarmTime,
     codec::WriteAlarmTime, true, 1, 10, 0, ShownAs::Position,
     QT_TRANSLATE_NOOP("Engine", "  Установлено время тревоги -"),
     QT_TRANSLATE_NOOP("Engine", "  Установлено время тревоги -"), "alarmTime"},
    {Setting::SelfTest, QT_TRANSLATE_NOOP("Engine", "Длительность самоконтр. (мсек)"),
     codec::ReadSelfTest, codec::WriteSelfTest, true, 1, 50, 0, ShownAs::TenTimes,
     QT_TRANSLATE_NOOP("Engine", "  Установлена длит. самоконтр. -"),
     QT_TRANSLATE_NOOP("Engine", "  Установлена длит. самоконтр. -"), "selfTestDuration"},
}};

const double kThresholdVolts[15] = {0,   0.7, 0.8, 0.9, 1.0, 1.1, 1.2, 1.3,
                                    1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2.0};

const char *const kLimitItems[4] = {"1", "10", "100", "1000"};

template <typename Pred> const SettingRow *findRow(Pred pred)
{
    for (const SettingRow &row : kRows) {
        if (pred(row))
            return &row;
    }
    return nullptr;
}

}  // namespace

const std::array<SettingRow, kSettingCount> &settingCatalogue()
{
    return kRows;
}

const SettingRow &settingRow(Setting setting)
{
    return kRows[std::size_t(setting)];
}

const SettingRow *settingForReplyCode(int code)
{
    if (code <= 0)
        return nullptr;
    return findRow(
        [code](const SettingRow &r) { return r.readCode == code || r.writeCode == code; });
}

bool isConfirmationCode(const SettingRow &row, int code)
{
    return row.writeCode != 0 && code == row.writeCode;
}

double thresholdVolts(int index)
{
    return index >= 0 && index <= 14 ? kThresholdVolts[index] : 0.0;
}

double frontMvPerMs(int index)
{
    return index >= 0 && index <= 10 ? 2.0 * index : 0.0;
}

double accumulationMs(int index)
{
    return index >= 0 && index <= 19 ? 50.0 * index : 0.0;
}

QStringList limitListItems()
{
    QStringList items;
    for (const char *item : kLimitItems)
        items.append(QString::fromLatin1(item));
    return items;
}

bool positionInRange(const SettingRow &row, int position)
{
    return position >= row.minPosition && position <= row.maxPosition;
}

int byteForPosition(const SettingRow &row, int position)
{
    return position - row.byteOffset;
}

int positionForByte(const SettingRow &row, int valueByte)
{
    return valueByte + row.byteOffset;
}

QString textForPosition(const SettingRow &row, int position)
{
    if (!positionInRange(row, position))
        return QString();
    switch (row.shownAs) {
    case ShownAs::Position:
        return numberText(position);
    case ShownAs::Threshold:
        return numberText(thresholdVolts(position));
    case ShownAs::Accumulation:
        return numberText(accumulationMs(position));
    case ShownAs::Front:
        return numberText(frontMvPerMs(position));
    case ShownAs::TenTimes:
        return numberText(10.0 * position);
    case ShownAs::LimitItem:
        return QString::fromLatin1(kLimitItems[position]);
    }
    return QString();
}

double valueForPosition(const SettingRow &row, int position)
{
    if (!positionInRange(row, position))
        return 0;
    switch (row.shownAs) {
    case ShownAs::Position:
        return position;
    case ShownAs::Threshold:
        return thresholdVolts(position);
    case ShownAs::Accumulation:
        return accumulationMs(position);
    case ShownAs::Front:
        return frontMvPerMs(position);
    case ShownAs::TenTimes:
        return 10.0 * position;
    case ShownAs::LimitItem:
        return QString::fromLatin1(kLimitItems[position]).toDouble();
    }
    return 0;
}

std::optional<int> positionForValue(const SettingRow &row, double value)
{
    for (int p = row.minPosition; p <= row.maxPosition; ++p) {
        // Table values are the doubles nearest their decimals: compare with
        // a tolerance far below the smallest step (0.1 V).
        if (std::abs(valueForPosition(row, p) - value) < 1e-6)
            return p;
    }
    return std::nullopt;
}

QString settingName(const SettingRow &row)
{
    QString text = engineText(row.caption);
    if (text.endsWith(u':'))
        text.chop(1);
    return text;
}

QList<const SettingRow *> flankSettingRows()
{
    QList<const SettingRow *> rows;
    for (const SettingRow &row : kRows)
        if (row.flankInRequest)
            rows.append(&row);
    return rows;
}

QString readRequest(const SettingRow &row, int address, int flank)
{
    if (!row.flankInRequest)
        return codec::requestAddressOnly(address, row.readCode);
    return codec::requestForFlank(address, row.readCode, flank);
}

std::optional<QString> writeRequest(const SettingRow &row, int address, int flank, int position)
{
    if (row.writeCode == 0 || !positionInRange(row, position))
        return std::nullopt;
    return codec::requestWithValue(address, row.writeCode, flank, byteForPosition(row, position));
}

QString setAddressRequest(int address, int flank, int newUnitNumber)
{
    return codec::requestWithValue(address, codec::SetUnitNumber, flank, newUnitNumber - 1);
}

ReplyDecision decideReply(int code, int valueByte, const QString &flank)
{
    ReplyDecision out;
    out.row = settingForReplyCode(code);
    if (!out.row)
        return out;
    out.confirmation = isConfirmationCode(*out.row, code);
    out.position = positionForByte(*out.row, valueByte);
    out.inRange = positionInRange(*out.row, out.position);
    if (!out.inRange)
        return out;
    out.text = textForPosition(*out.row, out.position);
    if (out.confirmation && out.row->confirmListWords) {
        out.journal = JournalLine{engineText(QT_TRANSLATE_NOOP("Engine", "  Фланг -")) + flank +
                                      engineText(out.row->confirmListWords) + out.text,
                                  engineText(QT_TRANSLATE_NOOP("Engine", " Фланг -")) + flank +
                                      engineText(out.row->confirmFileWords) + out.text};
    }
    return out;
}
