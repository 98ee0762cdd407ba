#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Reply frames as the detector sends them: "!", the body in lower-case hex
// pairs (code, data bytes, checksum = sum of the bytes before it mod 256),
// CR. Tests hand them to FakeSerialPort::deliver().

// A reply frame with the given code and data bytes; the checksum is added.
QByteArray replyFrame(int code, const QList<int> &data);

// A status reply (code 11). signal and threshold are in counts (51 counts to
// the volt; the frame carries 4 x counts as a little-endian word), l1 and l2
// are the two level bytes.
QByteArray statusReply(int stateByte, int signal = 0, int threshold = 0, int l1 = 0, int l2 = 0);

// A setting reply: code and value byte.
QByteArray settingReply(int code, int value);

// A status reply whose checksum is wrong (dropped by the receiver).
QByteArray corruptStatusReply(int stateByte);

// The body of a status reply (what the receiver leaves in buf1). Samples are
// given as the 16-bit reading on the line, four times the value in counts.
QString statusBody(int signalQuarters, int thresholdQuarters, int stateByte = 0, int level1 = 0,
                   int level2 = 0);
