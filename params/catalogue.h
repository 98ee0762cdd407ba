#pragma once

#include "journal/journalline.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The detector's settings: the unit number (its bus address) and the seven
// settings kept per flank. Every part of the window that shows, edits, reads
// or writes a setting works from the one table behind settingCatalogue().
enum class Setting {
    UnitNumber,
    Limit,
    Gain,
    Threshold,
    Accumulation,
    Front,
    AlarmTime,
    SelfTest,
};

// How a position becomes the text of the value box.
enum class ShownAs {
    Position,      // p itself
    Threshold,     // thresholdVolts(p)
    Accumulation,  // accumulation table entry p = 50 x p, ms
    Front,         // front table entry p = 2 x p, mV/ms
    TenTimes,      // 10 x p, ms
    LimitItem,     // item p of the limit list: "1", "10", "100", "1000"
};

// One setting, keyed by `setting`. A position is the value the operator
// steps to; for the limit, which is chosen from a list, it is the list index.
// Which controls of the window show and edit a setting is the window's own
// business (app/settingcontrols.h).
struct SettingRow {
    Setting setting;
    const char *caption;  // "Порог (В)", as shown after start-up
    // The codes and value byte ranges are those of link/protocol.h.
    int readCode;
    int writeCode;        // 0 for the unit number (its change is setAddressRequest)
    bool flankInRequest;  // false only for the unit number
    int minPosition;      // the lowest value byte + byteOffset
    int maxPosition;      // the highest value byte + byteOffset
    int byteOffset;       // position = byte + byteOffset (1 for the threshold)
    ShownAs shownAs;
    const char *confirmListWords;  // after "  Фланг -" and the flank; null: no journal
    const char *confirmFileWords;  // after " Фланг -" and the flank
    const char *fileKey;           // key in settings files ("threshold")
};

constexpr int kSettingCount = 8;
const std::array<SettingRow, kSettingCount> &settingCatalogue();
const SettingRow &settingRow(Setting setting);

// The row a reply code belongs to (read codes and write codes); null when
// none does.
const SettingRow *settingForReplyCode(int code);

// True when `code` is the row's write code, that is, the reply confirms a
// write; false for its read code.
bool isConfirmationCode(const SettingRow &row, int code);

// Value tables. The threshold covers the indexes 0..14 (0, 0.7 ... 2.0 V),
// the front 0..10 (2 x i mV/ms), the accumulation 0..19 (50 x i ms).
// Indexes outside a table give 0.
double thresholdVolts(int index);
double frontMvPerMs(int index);
double accumulationMs(int index);

// The items of the limit's list, in position order.
QStringList limitListItems();

bool positionInRange(const SettingRow &row, int position);
// The byte the apply button sends for a position (position - byteOffset).
int byteForPosition(const SettingRow &row, int position);
// The position a reply byte sets (byte + byteOffset).
int positionForByte(const SettingRow &row, int valueByte);
// The value box text for a position; empty for a position outside the row's
// range.
QString textForPosition(const SettingRow &row, int position);
// The position a text typed into the row's value box stands for: a whole
// number for a row that shows the position itself, otherwise exactly the
// text of one of the row's positions; none when the text stands for no
// position of the row's range.
std::optional<int> positionForTypedText(const SettingRow &row, const QString &typed);
// The value of a position in the unit the window shows (1.1 for threshold
// position 6, 1000 for limit item 3); 0 outside the row's range.
double valueForPosition(const SettingRow &row, int position);
// The position showing `value`, if any position of the row does.
std::optional<int> positionForValue(const SettingRow &row, double value);

// The row's caption without a trailing colon ("Усиление", "Порог (В)"),
// for reports and messages outside the window.
QString settingName(const SettingRow &row);

// The seven settings kept per flank, in catalogue order (no unit number).
QList<const SettingRow *> flankSettingRows();

// The read request of a row: $, address, read code, flank (not for the unit
// number), 12, CR.
QString readRequest(const SettingRow &row, int address, int flank);
// The write request of a row for a position (the list index for the limit):
// $, address, write code, flank, value byte, 12, CR. None for the unit number
// and for a position outside the row's range, such as the limit list with no
// item chosen (-1): then nothing is to be sent.
std::optional<QString> writeRequest(const SettingRow &row, int address, int flank, int position);
// The unit-number change (protocol::kSetUnitNumber): the flank and the new
// number minus 1.
QString setAddressRequest(int address, int flank, int newUnitNumber);
// The remote test ("ДК"): $, address, protocol::kRemoteTest, 12, CR. Nothing
// replies to it; the detector shows the test as an alarm on both flanks.
QString remoteTestRequest(int address);

// What a setting reply (code and value byte) does, before the window checks
// the row's unlock box. A reply whose value lies outside the row's range is
// ignored: the row keeps what it shows and nothing is journalled.
struct ReplyDecision {
    const SettingRow *row = nullptr;  // null: not a setting reply code
    bool confirmation = false;
    bool inRange = false;
    int position = 0;                    // spinner position, or list index for the limit
    QString text;                        // value box text, or the limit list's text
    std::optional<JournalLine> journal;  // confirmations in range only
};
ReplyDecision decideReply(int code, int valueByte, const QString &flank);
