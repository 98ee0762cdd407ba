#pragma once

#include "params/catalogue.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <optional>

// The settings of one detector as a file: JSON, UTF-8, values in the units
// the window shows, both flanks:
//
//   {"format": "verkan-r settings 1", "address": 1, "speed": 19200,
//    "saved": "2026-12-06T12:00:00",
//    "flanks": {"1": {"limit": 10, "gain": 5, "threshold": 1.1, ...},
//               "2": {...}}}
//
// In memory every setting is held as its position (the spinner's value, or
// the limit list's index), so a profile can be compared with a detector and
// written to it without converting twice.
struct SettingsProfile {
    static constexpr int kFlankCount = 2;
    static constexpr char kFormat[] = "verkan-r settings 1";

    int address = 1;
    int speed = 0;
    QDateTime saved;
    // Per flank (index 0 = flank 1), the position of each per-flank setting.
    QMap<Setting, int> flanks[kFlankCount];

    bool isComplete() const;
    QByteArray toJson() const;
};

struct ProfileParse {
    std::optional<SettingsProfile> profile;
    QString error;  // why the document was refused, naming the key
};

// Reads a settings file. Refuses, before anything could be written, a
// malformed document, a key given twice, a wrong format, a missing or unknown
// key, a line speed the program does not search, a "saved" that is not an
// ISO 8601 date and time, and a value no position of its setting shows; the
// error names the key (a setting also by its caption in the window:
// "flanks.1.threshold" (Порог (В))) and the allowed values.
ProfileParse parseSettingsProfile(const QByteArray &json);

// The first key some object of a well-formed JSON document gives twice, as
// its path from the top ("flanks.1.gain"; an array element by its index), or
// nothing. QJsonDocument keeps the last of two values without a word, so a
// file must be looked at as text to see them.
std::optional<QString> duplicateJsonKey(const QByteArray &json);

// The values a setting's file key accepts, in the file's notation
// ("0.7, 0.8, ..., 2").
QString allowedFileValues(const SettingRow &row);
