#include "params/catalogue.h"

#include "base/enginetext.h"
#include "link/codec.h"
#include "link/protocol.h"
#include "params/numbertext.h"

#include <cmath>

namespace {

// A flank setting: its codes and the range of its value byte are the
// protocol's; its positions are the value bytes moved by byteOffset.
constexpr SettingRow flankRow(Setting setting, protocol::FlankSetting onLine, int byteOffset,
                              const char *caption, ShownAs shownAs, const char *listWords,
                              const char *fileWords, const char *fileKey)
{
    const protocol::FlankSettingCodes &codes = protocol::flankSetting(onLine);
    return {setting,
            caption,
            codes.readCode,
            codes.writeCode,
            true,
            codes.value.lowest + byteOffset,
            codes.value.highest + byteOffset,
            byteOffset,
            shownAs,
            listWords,
            fileWords,
            fileKey};
}

// The catalogue: one row per setting, in the order of Setting, the unit
// number first, then the seven flank settings.
constexpr std::array<SettingRow, kSettingCount> kRows = {{
    // The unit number is read as it is; its change is the set-address
    // request, which no reply confirms.
    {Setting::UnitNumber, QT_TRANSLATE_NOOP("Engine", "Номер блока"), protocol::kReadUnitNumber, 0,
     false, protocol::kUnitNumberReply.lowest, protocol::kUnitNumberReply.highest, 0,
     ShownAs::Position, nullptr, nullptr, "unitNumber"},
    flankRow(Setting::Limit, protocol::FlankSetting::Limit, 0,
             QT_TRANSLATE_NOOP("Engine", "Предел"), ShownAs::LimitItem,
             QT_TRANSLATE_NOOP("Engine", "  Установлен предел -"),
             QT_TRANSLATE_NOOP("Engine", "   Установлен предел -"), "limit"),
    flankRow(Setting::Gain, protocol::FlankSetting::Gain, 0,
             QT_TRANSLATE_NOOP("Engine", "Усиление:"), ShownAs::Position,
             QT_TRANSLATE_NOOP("Engine", "  Установлено усиление -"),
             QT_TRANSLATE_NOOP("Engine", "  Установлено усиление -"), "gain"),
    // Threshold positions index the threshold table, whose entry 0 (0 V) no
    // byte selects: byte 0 is position 1, 0.7 V.
    flankRow(Setting::Threshold, protocol::FlankSetting::Threshold, 1,
             QT_TRANSLATE_NOOP("Engine", "Порог (В)"), ShownAs::Threshold,
             QT_TRANSLATE_NOOP("Engine", "  Установлен порог -"),
             QT_TRANSLATE_NOOP("Engine", "  Установлен порог -"), "threshold"),
    flankRow(Setting::Accumulation, protocol::FlankSetting::Accumulation, 0,
             QT_TRANSLATE_NOOP("Engine", "Накопление (мсек)"), ShownAs::Accumulation,
             QT_TRANSLATE_NOOP("Engine", "  Установлено накопление -"),
             QT_TRANSLATE_NOOP("Engine", "  Установлено накопление -"), "accumulation"),
    flankRow(Setting::Front, protocol::FlankSetting::Front, 0,
             QT_TRANSLATE_NOOP("Engine", "Фронт (мВ/мсек)"), ShownAs::Front,
             QT_TRANSLATE_NOOP("Engine", "  Установлен фронт -"),
             QT_TRANSLATE_NOOP("Engine", "  Установлен фронт -"), "front"),
    flankRow(Setting::AlarmTime, protocol::FlankSetting::AlarmTime, 0,
             QT_TRANSLATE_NOOP("Engine", "Тревога (сек)"), ShownAs::Position,
             QT_TRANSLATE_NOOP("Engine", "  Установлено время тревоги -"),
             QT_TRANSLATE_NOOP("Engine", "  Установлено время тревоги -"), "alarmTime"),
    flankRow(Setting::SelfTest, protocol::FlankSetting::SelfTest, 0,
             QT_TRANSLATE_NOOP("Engine", "Длительность самоконтр. (мсек)"), ShownAs::TenTimes,
             QT_TRANSLATE_NOOP("Engine", "  Установлена длит. самоконтр. -"),
             QT_TRANSLATE_NOOP("Engine", "  Установлена длит. самоконтр. -"), "selfTestDuration"),
}};

// settingRow() finds a row by its place.
static_assert([] {
    for (std::size_t i = 0; i < kRows.size(); ++i)
        if (kRows[i].setting != Setting(i))
            return false;
    return true;
}());

constexpr double kThresholdVolts[15] = {0,   0.7, 0.8, 0.9, 1.0, 1.1, 1.2, 1.3,
                                        1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2.0};

constexpr const char *kLimitItems[4] = {"1", "10", "100", "1000"};

// Every position of the threshold and of the limit has its entry.
static_assert(std::size(kThresholdVolts) ==
              std::size_t(kRows[std::size_t(Setting::Threshold)].maxPosition) + 1);
static_assert(std::size(kLimitItems) ==
              std::size_t(kRows[std::size_t(Setting::Limit)].maxPosition) + 1);

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

std::optional<int> positionForTypedText(const SettingRow &row, const QString &typed)
{
    if (row.shownAs == ShownAs::Position) {
        bool isNumber = false;
        const int position = typed.toInt(&isNumber);
        if (isNumber && positionInRange(row, position))
            return position;
        return std::nullopt;
    }
    const QString text = typed.trimmed();
    for (int p = row.minPosition; p <= row.maxPosition; ++p)
        if (textForPosition(row, p) == text)
            return p;
    return std::nullopt;
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
    return codec::requestWithValue(address, protocol::kSetUnitNumber, flank,
                                   protocol::setUnitNumberByte(newUnitNumber));
}

QString remoteTestRequest(int address)
{
    return codec::requestAddressOnly(address, protocol::kRemoteTest);
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
