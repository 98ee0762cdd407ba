#include "params/catalogue.h"

#include "link/codec.h"
#include "params/numbertext.h"

namespace {

// The catalogue: one row per setting, the unit number first, then the seven
// per-flank settings in the order the start-up read sequence reads them.
const std::array<SettingRow, kSettingCount> kRows = {{
    {Setting::UnitNumber, "Label23", "Номер блока", "Text8", "UpDown5", "Check14", "Command13",
     false, codec::ReadUnitNumber, 0, false, 1, 128, 0, ShownAs::Position, nullptr, nullptr},
    {Setting::Limit, "Label8", "Предел", "Combo1", "Combo1", "Check11", "Command10", true,
     codec::ReadLimit, codec::WriteLimit, true, 0, 3, 0, ShownAs::LimitItem,
     "  Установлен предел -", "   Установлен предел -"},
    {Setting::Gain, "Label27", "Усиление:", "Text7", "UpDown4", "Check10", "Command7", false,
     codec::ReadGain, codec::WriteGain, true, 1, 9, 0, ShownAs::Position,
     "  Установлено усиление -", "  Установлено усиление -"},
    {Setting::Threshold, "Label12", "Порог (В)", "Text5", "UpDown2", "Check2", "Command2", false,
     codec::ReadThreshold, codec::WriteThreshold, true, 1, 14, 1, ShownAs::Threshold,
     "  Установлен порог -", "  Установлен порог -"},
    {Setting::Accumulation, "Label14", "Накопление (мсек)", "Text6", "UpDown3", "Check5",
     "Command1", false, codec::ReadAccumulation, codec::WriteAccumulation, true, 1, 19, 0,
     ShownAs::Accumulation, "  Установлено накопление -", "  Установлено накопление -"},
    {Setting::Front, "Label15", "Фронт (мВ/мсек)", "Text9", "UpDown6", "Check12", "Command11",
     false, codec::ReadFront, codec::WriteFront, true, 1, 10, 0, ShownAs::Front,
     "  Установлен фронт -", "  Установлен фронт -"},
    {Setting::AlarmTime, "Label20", "Тревога (сек)", "Text10", "UpDown7", "Check13", "Command12",
     false, codec::ReadAlarmTime, codec::WriteAlarmTime, true, 1, 10, 0, ShownAs::Position,
     "  Установлено время тревоги -", "  Установлено время тревоги -"},
    {Setting::SelfTest, "Label31", "Длительность самоконтр. (мсек)", "Text4", "UpDown8", "Check4",
     "Command14", false, codec::ReadSelfTest, codec::WriteSelfTest, true, 1, 50, 0,
     ShownAs::TenTimes, "  Установлена длит. самоконтр. -", "  Установлена длит. самоконтр. -"},
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

const SettingRow *findByName(const char *SettingRow::*field, const QString &name)
{
    return findRow([&](const SettingRow &r) { return name == QLatin1String(r.*field); });
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

const SettingRow *settingForUnlockBox(const QString &objectName)
{
    return findByName(&SettingRow::unlockBox, objectName);
}

const SettingRow *settingForApplyButton(const QString &objectName)
{
    return findByName(&SettingRow::applyButton, objectName);
}

const SettingRow *settingForEditControl(const QString &objectName)
{
    return findByName(&SettingRow::editControl, objectName);
}

const SettingRow *settingForValueBox(const QString &objectName)
{
    return findByName(&SettingRow::valueBox, objectName);
}

bool isConfirmationCode(const SettingRow &row, int code)
{
    return row.writeCode != 0 && code == row.writeCode;
}

double tablPorog(int d)
{
    return d >= 0 && d <= 14 ? kThresholdVolts[d] : 0.0;
}

double frontTable(int i)
{
    return i >= 0 && i <= 10 ? 2.0 * i : 0.0;
}

double accumulationTable(int i)
{
    return i >= 0 && i <= 19 ? 50.0 * i : 0.0;
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
        return numberText(tablPorog(position));
    case ShownAs::Accumulation:
        return numberText(accumulationTable(position));
    case ShownAs::Front:
        return numberText(frontTable(position));
    case ShownAs::TenTimes:
        return numberText(10.0 * position);
    case ShownAs::LimitItem:
        return QString::fromLatin1(kLimitItems[position]);
    }
    return QString();
}

QString readRequest(const SettingRow &row, int markerCom, int flank)
{
    if (!row.flankInRequest)
        return codec::requestAddressOnly(markerCom, row.readCode);
    return codec::requestForFlank(markerCom, row.readCode, flank);
}

std::optional<QString> writeRequest(const SettingRow &row, int markerCom, int flank, int position)
{
    if (row.writeCode == 0 || !positionInRange(row, position))
        return std::nullopt;
    return codec::requestWithValue(markerCom, row.writeCode, flank, byteForPosition(row, position));
}

QString setAddressRequest(int markerCom, int flank, int spinnerValue)
{
    return codec::requestWithValue(markerCom, codec::SetUnitNumber, flank, spinnerValue - 1);
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
        out.journal = JournalLine{QStringLiteral("  Фланг -") + flank +
                                      QString::fromUtf8(out.row->confirmListWords) + out.text,
                                  QStringLiteral(" Фланг -") + flank +
                                      QString::fromUtf8(out.row->confirmFileWords) + out.text};
    }
    return out;
}
