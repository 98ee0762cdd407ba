#pragma once

#include <QString>

// One status reply, parsed once. The body is the code (11), the signal (low
// byte, high byte), the threshold (low, high), the state byte, level 1,
// level 2 and the checksum, each as two hex digits.
struct StatusReading {
    static constexpr double kCountsPerVolt = 51.0;
    static constexpr int kTamperBit = 16;

    double signal = 0;     // counts: low / 4 + high * 64, quarter counts kept
    double threshold = 0;  // counts, as the signal
    int stateByte = 0;     // flank state code plus the tamper bit
    int level1 = 0;        // counts
    int level2 = 0;        // counts

    // The flank state code: every bit of the state byte but the tamper bit.
    int flankCode() const { return stateByte & 0xEF; }
    bool tamperOpen() const { return (stateByte & kTamperBit) != 0; }
    double signalVolts() const { return signal / kCountsPerVolt; }
    double thresholdVolts() const { return threshold / kCountsPerVolt; }

    // Reads a status body that passed its checks.
    static StatusReading fromBody(const QString &body);
};
