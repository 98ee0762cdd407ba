#pragma once

// What a watched line publishes over MQTT, and where. Plain functions and
// values: the publisher (mqtt/linepublisher.h) sends them, the tests and the
// documentation read them.
//
//   PREFIX/LINE/status            "online" / "offline", retained (also the last will)
//   PREFIX/LINE/ADDRESS/state     retained JSON (QoS 0), on every change of the detector
//   PREFIX/LINE/ADDRESS/event     QoS 1, one per event, the JSON of watch --json
//   homeassistant/binary_sensor/PREFIX_LINE_ADDRESS_KIND/config
//                                 retained Home Assistant discovery, KIND one of
//                                 flank1, flank2, tamper, link

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class PortDescription;
struct DetectorRow;

// How to reach the broker and what to call the line there.
struct MqttSettings {
    static constexpr int kPlainPort = 1883;
    static constexpr int kTlsPort = 8883;

    QString host;
    int port = 0;          // 0: 1883, or 8883 with a CA file
    QString line;          // topic-safe; empty: made from the port's name
    QString user;          // empty: none
    QString passwordFile;  // the password's first line; empty: none
    QString caFile;        // TLS with this CA certificate; empty: plain TCP
    QString prefix = QStringLiteral("verkan");

    int effectivePort() const { return port > 0 ? port : caFile.isEmpty() ? kPlainPort : kTlsPort; }
    // "HOST:PORT", with an IPv6 host in brackets.
    QString brokerText() const;
};

// Reads "HOST", "HOST:PORT" or "[IPV6]:PORT" into `settings`; false with the
// reason in *error.
bool parseBrokerAddress(const QString &text, MqttSettings &settings, QString *error);
// `name` with everything but letters, digits, '-' and '_' turned into '_'
// (no '/', '+', '#' or spaces reach a topic), runs of '_' made one, and no
// '_' at either end. Empty when nothing is left.
QString topicSafe(const QString &name);
// The line's default name: its port made topic-safe ("ttyUSB0", "COM3",
// "rfc2217_10_0_0_5_4001").
QString defaultLineName(const PortDescription &port);
// Checks the prefix and line name a user gave: topic-safe and not empty.
bool checkTopicName(const QString &what, const QString &name, QString *error);

class LineTopics {
public:
    enum Sensor { Flank1, Flank2, Tamper, Link, SensorCount };
    static constexpr const char *kDiscoveryPrefix = "homeassistant";
    // Home Assistant says it (re)started here: the discovery is sent again.
    static constexpr const char *kHomeAssistantStatus = "homeassistant/status";

    LineTopics(const QString &prefix, const QString &line);

    QByteArray status() const;
    QByteArray state(int address) const;
    QByteArray event(int address) const;
    QByteArray discovery(int address, Sensor sensor) const;

    // {"flank1": "norm", "flank2": "alarm", "tamper": "closed", "link":
    // "alive", "time": "..."}; null for what has not been read yet.
    static QByteArray statePayload(const DetectorRow &row);
    // The retained config of one binary sensor, grouped with the other three
    // of its detector as one device, available while status is "online".
    QByteArray discoveryPayload(int address, Sensor sensor) const;

    static QString sensorName(Sensor sensor);  // "flank1", ..., "link"

private:
    QString m_prefix;
    QString m_line;
};
