#pragma once

#include <QString>

// Hex-ASCII codec of the detector's serial protocol.
//
// Requests: "$", then one byte per field as two lower-case hex digits, ending
// with the constant end byte 12 ("0c") and CR. Replies: "!", a body of hex
// digit pairs (code, data bytes, checksum = sum of the preceding bytes mod
// 256), CR. Replies may use upper- or lower-case digits.
namespace codec {

constexpr char kRequestStart = '$';
constexpr char kReplyStart = '!';
constexpr char kFrameEnd = '\r';
constexpr int kEndByte = 12;

// Encodes one byte as two lower-case hex digits. Values outside 0..255 are
// clamped into that range so that no frame can carry more or fewer than two
// characters per field.
QString encodeByte(int d);

// True when every character of s is a hex digit (0-9, a-f, A-F).
bool isHexText(const QString &s);

// Value of the leading hexadecimal digits of s (0 when there are none).
int leadingHexValue(const QString &s);

// The byte whose high digit stands at 1-based `position` of the body;
// characters past the end of the body read as 0.
int byteAt(const QString &body, int position);

// Reply check: the body length is that of a setting reply up to that of a
// status reply (protocol.h) and its last byte equals the running sum (mod
// 256) of the bytes before it.
bool replyCheckPasses(const QString &body);

// Request frames, CR included; the codes are in protocol.h.
QString requestAddressOnly(int address, int code);                      // form A
QString requestForFlank(int address, int code, int flank);              // form F
QString requestWithValue(int address, int code, int flank, int value);  // form V

}  // namespace codec
