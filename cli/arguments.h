#pragma once

#include "link/portdescription.h"

#include "i18n/language.h"
#include "link/protocol.h"
#include "mqtt/linetopics.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Exit codes of verkan-cli.
enum ExitCode : int {
    ExitDone = 0,
    ExitBadUsage = 2,    // bad command line or bad file
    ExitNoAnswer = 3,    // no detector answered
    ExitPortError = 4,   // the port cannot be opened
    ExitUnconfirmed = 5  // a write was not confirmed
};

// A verkan-cli command line, checked.
struct CliArguments {
    enum class Command {
        Help,
        Version,
        Discover,
        Status,
        SettingsShow,
        SettingsSave,
        SettingsApply,
        Record,
        Report,
        Watch
    };

    Command command = Command::Help;
    PortDescription port = PortDescription::comPort(1);
    int address = 1;
    int baud = 0;  // 0: search the speed
    int flank = 1;
    int firstAddress = protocol::kLowestAddress;
    int lastAddress = protocol::kHighestAddress;
    QList<int> addresses;  // watch: --addresses, the detectors on the line, in order
    // record: length; report: control pass (0: none); watch: --seconds (0: until a signal)
    double seconds = 0;
    bool json = false;  // watch: one JSON object per event
    // watch: --mqtt and its details; an empty line name stands for the port's.
    std::optional<MqttSettings> mqtt;
    QString file;
    QString site;                      // report: --site, where the detector is installed
    QString installer;                 // report: --installer, who commissioned it
    QString journal;                   // --journal: the event journal's file; empty: none
    std::optional<Language> language;  // --lang; none: the system's
};

struct ParsedArguments {
    CliArguments arguments;
    QString error;  // why the command line was refused (empty: accepted)
};

// Reads the arguments after the program name.
ParsedArguments parseArguments(const QStringList &arguments);

// The language --lang asks for in `arguments`, if it names one; read before
// everything else, so that every message is in that language.
std::optional<Language> requestedLanguage(const QStringList &arguments);

QString usageText();
