#include "mqtt/linetopics.h"

#include "link/portdescription.h"
#include "monitor/linestates.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char *const kSensorNames[LineTopics::SensorCount] = {"flank1", "flank2", "tamper", "link"};

}  // namespace

QString MqttSettings::brokerText() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return shownHost + u':' + QString::number(effectivePort());
}

bool parseBrokerAddress(const QString &text, MqttSettings &settings, QString *error)
{
    auto refuse = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString t = text.trimmed();
    QString host = t;
    QString portText;
    if (t.startsWith(u'[')) {
        const int close = t.indexOf(u']');
        if (close < 0)
            return refuse(QCoreApplication::translate("Mqtt", "нет закрывающей скобки: %1").arg(t));
        host = t.mid(1, close - 1);
        const QString rest = t.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return refuse(
                    QCoreApplication::translate("Mqtt", "лишнее после адреса: %1").arg(t));
            portText = rest.mid(1);
        }
    } else if (t.count(u':') == 1) {
        host = t.section(u':', 0, 0);
        portText = t.section(u':', 1);
    }
    if (host.isEmpty() || host.contains(u' '))
        return refuse(QCoreApplication::translate("Mqtt", "не задан адрес брокера"));
    int port = 0;
    if (t.startsWith(u'[') || t.count(u':') == 1) {
        bool ok = false;
        port = portText.toInt(&ok);
        if (!portText.isEmpty() && (!ok || port < 1 || port > 65535))
            return refuse(QCoreApplication::translate("Mqtt", "порт брокера не число 1–65535: %1")
                              .arg(portText));
    }
    settings.host = host;
    settings.port = port;
    return true;
}

QString topicSafe(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        const bool keep = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                          (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
        if (keep)
            out += c;
        else if (!out.endsWith(u'_'))
            out += u'_';
    }
    while (out.startsWith(u'_'))
        out.remove(0, 1);
    while (out.endsWith(u'_'))
        out.chop(1);
    return out;
}

QString defaultLineName(const PortDescription &port)
{
    switch (port.kind()) {
    case PortDescription::Kind::ComNumber:
        return QStringLiteral("COM%1").arg(port.comNumber());
    case PortDescription::Kind::DevicePath: {
        QString path = port.toString();
        if (path.startsWith(QLatin1String("/dev/")))
            path = path.mid(5);
        return topicSafe(path);
    }
    case PortDescription::Kind::Tcp:
    case PortDescription::Kind::Rfc2217:
        break;
    }
    return topicSafe(port.toString());
}

bool checkTopicName(const QString &what, const QString &name, QString *error)
{
    if (!name.isEmpty() && topicSafe(name) == name)
        return true;
    if (error)
        *error = QCoreApplication::translate("Mqtt",
                                             "%1 «%2»: допустимы латинские буквы, цифры, «-» и «_»")
                     .arg(what, name);
    return false;
}

LineTopics::LineTopics(const QString &prefix, const QString &line) : m_prefix(prefix), m_line(line)
{
}

QByteArray LineTopics::status() const
{
    return (m_prefix + u'/' + m_line + QLatin1String("/status")).toUtf8();
}

QByteArray LineTopics::state(int address) const
{
    return (m_prefix + u'/' + m_line + u'/' + QString::number(address) + QLatin1String("/state"))
        .toUtf8();
}

QByteArray LineTopics::event(int address) const
{
    return (m_prefix + u'/' + m_line + u'/' + QString::number(address) + QLatin1String("/event"))
        .toUtf8();
}

QString LineTopics::sensorName(Sensor sensor)
{
    return QLatin1String(kSensorNames[sensor]);
}

QByteArray LineTopics::discovery(int address, Sensor sensor) const
{
    return QByteArray(kDiscoveryPrefix) + "/binary_sensor/" +
           QStringLiteral("%1_%2_%3_%4/config")
               .arg(m_prefix, m_line)
               .arg(address)
               .arg(sensorName(sensor))
               .toUtf8();
}

QByteArray LineTopics::statePayload(const DetectorRow &row)
{
    // Built in place: it goes out on every change.
    QByteArray out;
    out.reserve(128);
    const auto value = [&out](const char *key, const char *name) {
        out += key;
        if (name) {
            out += '"';
            out += name;
            out += '"';
        } else {
            out += "null";
        }
    };
    const QByteArray flank1 = flankStateName(row.flankCode[0]).toLatin1();
    const QByteArray flank2 = flankStateName(row.flankCode[1]).toLatin1();
    value("{\"flank1\": ", flank1.isEmpty() ? nullptr : flank1.constData());
    value(", \"flank2\": ", flank2.isEmpty() ? nullptr : flank2.constData());
    value(", \"tamper\": ", row.tamper < 0 ? nullptr : row.tamper == 1 ? "open" : "closed");
    value(", \"link\": ", row.link < 0 ? nullptr : row.link == 1 ? "alive" : "lost");
    const QByteArray time = lineEventTime(row.lastChange).toLatin1();
    value(", \"time\": ", time.isEmpty() ? nullptr : time.constData());
    out += '}';
    return out;
}

QByteArray LineTopics::discoveryPayload(int address, Sensor sensor) const
{
    const QString key = sensorName(sensor);
    const QString device = QStringLiteral("%1_%2_%3").arg(m_prefix, m_line).arg(address);
    // Home Assistant's binary sensor wants "ON" or "OFF"; "None" leaves it
    // unknown until the detector has been read.
    QString name;
    QString deviceClass;
    QString onWhen;
    bool onWhenEqual = true;
    switch (sensor) {
    case Flank1:
    case Flank2:
        name = QCoreApplication::translate("Mqtt", "Фланг %1").arg(sensor == Flank1 ? 1 : 2);
        deviceClass = QStringLiteral("safety");  // on: unsafe (alarm or a cable fault)
        onWhen = QStringLiteral("norm");
        onWhenEqual = false;
        break;
    case Tamper:
        name = QCoreApplication::translate("Mqtt", "Вскрытие");
        deviceClass = QStringLiteral("tamper");
        onWhen = QStringLiteral("open");
        break;
    case Link:
    case SensorCount:
        name = QCoreApplication::translate("Mqtt", "Связь");
        deviceClass = QStringLiteral("connectivity");
        onWhen = QStringLiteral("alive");
        break;
    }
    const QString value = QStringLiteral("value_json.") + key;
    const QString on = onWhenEqual ? QStringLiteral("'ON'") : QStringLiteral("'OFF'");
    const QString off = onWhenEqual ? QStringLiteral("'OFF'") : QStringLiteral("'ON'");
    const QString tmpl = QStringLiteral("{{ %1 if %2 == '%3' else (%4 if %2 else 'None') }}")
                             .arg(on, value, onWhen, off);

    QJsonObject config{
        {QStringLiteral("name"), name},
        {QStringLiteral("unique_id"), device + u'_' + key},
        {QStringLiteral("device_class"), deviceClass},
        {QStringLiteral("state_topic"), QString::fromUtf8(state(address))},
        {QStringLiteral("value_template"), tmpl},
        {QStringLiteral("payload_on"), QStringLiteral("ON")},
        {QStringLiteral("payload_off"), QStringLiteral("OFF")},
        {QStringLiteral("availability_topic"), QString::fromUtf8(status())},
        {QStringLiteral("payload_available"), QStringLiteral("online")},
        {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
        {QStringLiteral("qos"), 1},
        {QStringLiteral("device"),
         QJsonObject{
             {QStringLiteral("identifiers"), QJsonArray{device}},
             {QStringLiteral("name"),
              QCoreApplication::translate("Mqtt", "ВЕРКАН-Р %1, блок %2").arg(m_line).arg(address)},
             {QStringLiteral("model"), QStringLiteral("VERKAN-R")},
         }},
    };
    if (sensor == Link)
        config.insert(QStringLiteral("entity_category"), QStringLiteral("diagnostic"));
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}
