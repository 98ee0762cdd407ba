#pragma once

// The facts of the detector's serial protocol, each written here once: the
// bus addresses, the request codes, every flank setting's read and write
// code with the range of its value byte, the reply lengths and the pacing of
// the exchange. The codec (link/codec.h) turns them into frames, the setting
// catalogue (params/catalogue.h) into what the window shows, and verkan-sim
// answers by them.

#include <array>
#include <chrono>
#include <cstddef>

namespace protocol {

// The bus addresses a request can carry.
inline constexpr int kLowestAddress = 0;
inline constexpr int kHighestAddress = 128;

// Request codes other than a flank setting's read and write.
inline constexpr int kRemoteTest = 3;       // address only; no reply
inline constexpr int kStatus = 11;          // with the flank; a status reply
inline constexpr int kReadUnitNumber = 32;  // address only; a setting reply
inline constexpr int kSetUnitNumber = 46;   // flank, number - 1; the detector restarts

// A closed range of value bytes.
struct ByteRange {
    int lowest;
    int highest;
    constexpr bool contains(int value) const { return value >= lowest && value <= highest; }
};

// The unit number is the detector's own bus address, never 0. A unit-number
// read replies with it; the set-address request carries the new number - 1.
inline constexpr ByteRange kUnitNumberReply{1, kHighestAddress};
inline constexpr ByteRange kSetUnitNumberByte{kUnitNumberReply.lowest - 1,
                                              kUnitNumberReply.highest - 1};
constexpr int setUnitNumberByte(int unitNumber)
{
    return unitNumber - 1;
}
constexpr int unitNumberForByte(int setUnitNumberByte)
{
    return setUnitNumberByte + 1;
}

// The seven settings the detector keeps for each flank, in the order the
// exchange reads them back after "СТАРТ" or a change of flank.
enum class FlankSetting { Limit, Gain, Threshold, Accumulation, Front, AlarmTime, SelfTest };
inline constexpr int kFlankSettingCount = 7;

// A flank setting on the line. Its read request carries the address, the
// read code and the flank; its write request the address, the write code,
// the flank and the value byte. Both are answered with a setting reply of
// the request's code and the value the detector holds: a write of a value
// outside the range is refused, and its reply carries the value kept.
struct FlankSettingCodes {
    FlankSetting setting;
    int readCode;
    int writeCode;
    ByteRange value;
};

inline constexpr std::array<FlankSettingCodes, kFlankSettingCount> kFlankSettings = {{
    {FlankSetting::Limit, 21, 51, {0, 3}},  // the list index of 1, 10, 100, 1000
    {FlankSetting::Gain, 15, 45, {1, 9}},
    {FlankSetting::Threshold, 17, 47, {0, 13}},  // 0.7 V + 0.1 V per step
    {FlankSetting::Accumulation, 19, 49, {1, 19}},
    {FlankSetting::Front, 20, 50, {1, 10}},
    {FlankSetting::AlarmTime, 22, 52, {1, 10}},
    {FlankSetting::SelfTest, 23, 53, {1, 50}},
}};

// flankSetting() finds a row by its place in the table.
static_assert([] {
    for (std::size_t i = 0; i < kFlankSettings.size(); ++i)
        if (kFlankSettings[i].setting != FlankSetting(i))
            return false;
    return true;
}());

constexpr const FlankSettingCodes &flankSetting(FlankSetting setting)
{
    return kFlankSettings[std::size_t(setting)];
}

// The flank setting whose read or write code `code` is; null for any other
// code.
constexpr const FlankSettingCodes *flankSettingForCode(int code)
{
    for (const FlankSettingCodes &s : kFlankSettings)
        if (code == s.readCode || code == s.writeCode)
            return &s;
    return nullptr;
}

// Reply bodies, in hex digits: a setting reply is its code, the value byte
// and the sum; a status reply its code, seven data bytes and the sum.
inline constexpr int kSettingBodyLength = 6;
inline constexpr int kStatusBodyLength = 18;

// Pacing: the exchange ticks every 10 ms, and every sixth tick is a slot in
// which one request goes out. A detector answers within its slot.
inline constexpr std::chrono::milliseconds kTick{10};
inline constexpr int kTicksPerSlot = 6;
inline constexpr std::chrono::milliseconds kSlot = kTick * kTicksPerSlot;

}  // namespace protocol
