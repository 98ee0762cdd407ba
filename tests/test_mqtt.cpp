// The line published over MQTT: the topic and payload forms, and the
// publisher against a real mosquitto broker read by a real mosquitto_sub.

#include "link/linewatch.h"
#include "link/portdescription.h"
#include "monitor/linestates.h"
#include "monitor/statusdecoder.h"
#include "mqtt/linepublisher.h"
#include "mqtt/linetopics.h"
#include "support/fakeserialport.h"
#include "support/mosquittobroker.h"
#include "support/simdetector.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWait = 15000;

// A line of detectors whose readings the test makes up: the watch's
// signals are sent by hand, LineStates and the publisher take them as they
// would from the line. Every event gets its own time, a millisecond after
// the one before, so that each event's JSON is unique.
struct MadeUpLine {
    FakeSerialPort port;
    LineWatch watch{port};
    qint64 tick = 0;
    LineStates states{
        watch, [this] {
            return QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC).addMSecs(tick++);
        }};
    LinePublisher publisher{states};
    QList<int> addresses;
    QList<QByteArray> events;  // every event's JSON, in order
    QStringList notices;

    explicit MadeUpLine(const QList<int> &watched) : addresses(watched)
    {
        states.reset(addresses);
        QObject::connect(&states, &LineStates::event,
                         [this](const LineEvent &e) { events.append(lineEventJson(e)); });
        QObject::connect(&publisher, &LinePublisher::notice,
                         [this](const QString &text) { notices.append(text); });
    }
    bool start(const MosquittoBroker &broker, MqttSettings settings = {})
    {
        parseBrokerAddress(broker.address(), settings, nullptr);
        if (settings.line.isEmpty())
            settings.line = u"north"_s;
        QString error;
        const bool started = publisher.start(settings, addresses, &error);
        if (!started)
            qWarning("%s", qPrintable(error));
        return started;
    }
    // Every detector alive with both flanks norm and the contact closed.
    void comeUp()
    {
        for (const DetectorRow &row : states.rows()) {
            emit watch.link(row.address, true);
            emit watch.flankState(row.address, 1, FlankNorm);
            emit watch.flankState(row.address, 2, FlankNorm);
            emit watch.tamper(row.address, false);
        }
    }
    // `count` events: flank 1 of `address` between alarm and norm.
    void toggle(int address, int count)
    {
        for (int i = 0; i < count; ++i)
            emit watch.flankState(address, 1, i % 2 == 0 ? FlankAlarm : FlankNorm);
    }
};

QList<QByteArray> payloads(const QList<MqttSubscriber::Message> &messages)
{
    QList<QByteArray> out;
    for (const auto &m : messages)
        out.append(m.payload);
    return out;
}

// QoS 1 may deliver a message twice around a reconnection; the second copy
// is dropped, the order of first copies kept.
QList<QByteArray> firstCopies(const QList<QByteArray> &received)
{
    QList<QByteArray> out;
    QSet<QByteArray> seen;
    for (const QByteArray &p : received)
        if (!seen.contains(p)) {
            seen.insert(p);
            out.append(p);
        }
    return out;
}

// Every event of the line, whatever its address, as the subscriber got them.
QList<QByteArray> eventsReceived(MqttSubscriber &subscriber)
{
    QList<QByteArray> out;
    for (const auto &m : subscriber.messages())
        if (m.topic.endsWith("/event"))
            out.append(m.payload);
    return out;
}

}  // namespace

class MqttTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (int n = 1; n <= 16; ++n)
            qputenv(qPrintable(u"VERKAN_COM%1"_s.arg(n)), "/nonexistent/tty");
    }

    void topicSafeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("safe");
        QTest::newRow("plain") << u"north-1_a"_s << u"north-1_a"_s;
        QTest::newRow("wildcards and levels") << u"a/b+c#d"_s << u"a_b_c_d"_s;
        QTest::newRow("runs and ends") << u"//x  y//"_s << u"x_y"_s;
        QTest::newRow("not latin") << u"Север"_s << QString();
    }
    void topicSafeNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, safe);
        QCOMPARE(topicSafe(name), safe);
    }

    void defaultLineNames_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("line");
        QTest::newRow("COM number") << u"3"_s << u"COM3"_s;
        QTest::newRow("device") << u"/dev/ttyUSB0"_s << u"ttyUSB0"_s;
        QTest::newRow("RFC 2217") << u"rfc2217://10.0.0.5:4001"_s << u"rfc2217_10_0_0_5_4001"_s;
        QTest::newRow("IPv6") << u"tcp://[::1]:7000"_s << u"tcp_1_7000"_s;
    }
    void defaultLineNames()
    {
        QFETCH(QString, port);
        QFETCH(QString, line);
        QCOMPARE(defaultLineName(*PortDescription::parse(port)), line);
    }

    void brokerAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("broker");  // empty: refused
        QTest::newRow("host") << u"broker.lan"_s << false << u"broker.lan:1883"_s;
        QTest::newRow("host with TLS") << u"broker.lan"_s << true << u"broker.lan:8883"_s;
        QTest::newRow("host and port") << u"10.0.0.2:1884"_s << true << u"10.0.0.2:1884"_s;
        QTest::newRow("IPv6") << u"[::1]:1884"_s << false << u"[::1]:1884"_s;
        QTest::newRow("port zero") << u"h:0"_s << false << QString();
        QTest::newRow("port not a number") << u"h:x"_s << false << QString();
        QTest::newRow("no host") << u":1883"_s << false << QString();
        QTest::newRow("unclosed bracket") << u"[::1:1884"_s << false << QString();
    }
    void brokerAddresses()
    {
        QFETCH(QString, text);
        QFETCH(bool, tls);
        QFETCH(QString, broker);
        MqttSettings settings;
        if (tls)
            settings.caFile = u"ca.crt"_s;
        QString error;
        QCOMPARE(parseBrokerAddress(text, settings, &error), !broker.isEmpty());
        if (broker.isEmpty())
            QVERIFY(!error.isEmpty());
        else
            QCOMPARE(settings.brokerText(), broker);
    }

    void statePayloads()
    {
        DetectorRow row;
        row.address = 7;
        QCOMPARE(LineTopics::statePayload(row),
                 R"({"flank1": null, "flank2": null, "tamper": null, "link": null, "time": null})");
        row.flankCode[0] = FlankNorm;
        row.flankCode[1] = FlankCableBreak;
        row.tamper = 1;
        row.link = 0;
        row.lastChange = QDateTime(QDate(2026, 12, 7), QTime(10, 0, 1, 5), Qt::UTC);
        QCOMPARE(LineTopics::statePayload(row),
                 R"({"flank1": "norm", "flank2": "break", "tamper": "open", "link": "lost", )"
                 R"("time": "2026-12-07T10:00:01.005+00:00"})");
    }

    // Home Assistant's binary sensor: one device per detector, its state
    // from the detector's state topic, available with the line.
    void discoveryPayloads_data()
    {
        QTest::addColumn<int>("sensor");
        QTest::addColumn<QString>("deviceClass");
        QTest::addColumn<QString>("onWhen");  // the value that turns the sensor on
        QTest::newRow("flank 1") << int(LineTopics::Flank1) << u"safety"_s << u"!= 'norm'"_s;
        QTest::newRow("flank 2") << int(LineTopics::Flank2) << u"safety"_s << u"!= 'norm'"_s;
        QTest::newRow("tamper") << int(LineTopics::Tamper) << u"tamper"_s << u"== 'open'"_s;
        QTest::newRow("link") << int(LineTopics::Link) << u"connectivity"_s << u"== 'alive'"_s;
    }
    void discoveryPayloads()
    {
        QFETCH(int, sensor);
        QFETCH(QString, deviceClass);
        QFETCH(QString, onWhen);
        const LineTopics topics(u"verkan"_s, u"north"_s);
        const auto kind = LineTopics::Sensor(sensor);
        const QString name = LineTopics::sensorName(kind);
        QCOMPARE(topics.discovery(7, kind),
                 u"homeassistant/binary_sensor/verkan_north_7_%1/config"_s.arg(name).toUtf8());
        const QJsonObject config =
            QJsonDocument::fromJson(topics.discoveryPayload(7, kind)).object();
        QCOMPARE(config.value("device_class"_L1).toString(), deviceClass);
        QCOMPARE(config.value("unique_id"_L1).toString(), u"verkan_north_7_%1"_s.arg(name));
        QCOMPARE(config.value("state_topic"_L1).toString(), u"verkan/north/7/state"_s);
        QCOMPARE(config.value("availability_topic"_L1).toString(), u"verkan/north/status"_s);
        QCOMPARE(config.value("payload_not_available"_L1).toString(), u"offline"_s);
        QCOMPARE(config.value("device"_L1).toObject().value("identifiers"_L1).toArray(),
                 QJsonArray{u"verkan_north_7"_s});
        // The template turns this sensor's field into ON or OFF, and an
        // unread (null) field into None: unknown.
        const QString tmpl = config.value("value_template"_L1).toString();
        QVERIFY2(tmpl.contains(u"value_json.%1 "_s.arg(name)), qPrintable(tmpl));
        const bool onIsEqual = onWhen.startsWith(u"=="_s);
        QVERIFY2(tmpl.startsWith(onIsEqual ? u"{{ 'ON' if"_s : u"{{ 'OFF' if"_s), qPrintable(tmpl));
        QVERIFY2(tmpl.contains(onWhen.mid(3)), qPrintable(tmpl));
        QVERIFY2(tmpl.contains(u"else 'None'"_s), qPrintable(tmpl));
    }

    // A subscriber that comes later finds the line's status, each
    // detector's last state and the discovery retained.
    void retainedStatesAndDiscovery()
    {
        MOSQUITTO_REQUIRED();
        MosquittoBroker broker;
        QVERIFY2(broker.start(), qPrintable(broker.errorText()));
        MadeUpLine line({3, 7});
        QVERIFY(line.start(broker));
        QTRY_VERIFY_WITH_TIMEOUT(line.publisher.isConnected(), kWait);
        line.comeUp();
        emit line.watch.flankState(7, 2, FlankAlarm);
        QTRY_COMPARE_WITH_TIMEOUT(line.publisher.deliveredEvents(), qint64(line.events.size()),
                                  kWait);

        MqttSubscriber late(broker, {u"verkan/#"_s, u"homeassistant/#"_s});
        QVERIFY(late.start());
        QTRY_COMPARE_WITH_TIMEOUT(late.messages().size(), 1 + 2 + 2 * 4, kWait);
        for (const auto &m : late.messages())
            QVERIFY2(m.retained && !m.topic.endsWith("/event"), m.topic.constData());
        QCOMPARE(payloads(late.messagesOn("verkan/north/status")), QList<QByteArray>{"online"});
        QCOMPARE(late.messagesOn("verkan/north/7/state").value(0).payload,
                 LineTopics::statePayload(line.states.rows().at(1)));
        QVERIFY(late.messagesOn("verkan/north/7/state")
                    .value(0)
                    .payload.contains(R"("flank2": "alarm")"));
        QCOMPARE(late.messagesOn("homeassistant/binary_sensor/verkan_north_3_tamper/config").size(),
                 1);

        // Home Assistant starting again reads its discovery afresh.
        QProcess::execute(u"mosquitto_pub"_s,
                          {u"-h"_s, u"127.0.0.1"_s, u"-p"_s, QString::number(broker.port()),
                           u"-t"_s, u"homeassistant/status"_s, u"-m"_s, u"online"_s});
        QTRY_COMPARE_WITH_TIMEOUT(
            late.messagesOn("homeassistant/binary_sensor/verkan_north_3_tamper/config").size(), 2,
            kWait);

        // A watch that ends says so: the line goes offline, retained.
        QSignalSpy finished(&line.publisher, &LinePublisher::finished);
        line.publisher.finish();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(payloads(late.messagesOn("verkan/north/status")).value(1),
                                  QByteArray("offline"), kWait);
    }

    // Events reach the subscriber in the order they happened, also when the
    // broker goes away in the middle and comes back: those of the outage
    // wait and follow, and every state is published again.
    void eventsInOrderAcrossABrokerRestart()
    {
        MOSQUITTO_REQUIRED();
        MosquittoBroker broker;
        QVERIFY2(broker.start(), qPrintable(broker.errorText()));
        MqttSubscriber subscriber(broker, {u"verkan/north/+/event"_s, u"verkan/north/+/state"_s},
                                  u"control-room"_s);
        QVERIFY(subscriber.start());
        MadeUpLine line({1, 2});
        QVERIFY(line.start(broker));
        QTRY_VERIFY_WITH_TIMEOUT(line.publisher.isConnected(), kWait);
        line.comeUp();
        line.toggle(1, 200);
        QTRY_COMPARE_WITH_TIMEOUT(eventsReceived(subscriber).size(), line.events.size(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(line.publisher.queuedEvents(), 0, kWait);

        broker.stop();
        line.toggle(2, 51);
        QTRY_VERIFY_WITH_TIMEOUT(!line.publisher.isConnected(), kWait);
        line.toggle(1, 49);
        QCOMPARE(line.publisher.queuedEvents(), 100);
        QVERIFY(broker.start());
        QTRY_COMPARE_WITH_TIMEOUT(firstCopies(eventsReceived(subscriber)).size(),
                                  line.events.size(), 30000);
        QCOMPARE(firstCopies(eventsReceived(subscriber)), line.events);
        QCOMPARE(line.publisher.droppedEvents(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.messagesOn("verkan/north/2/state").last().payload,
                                  LineTopics::statePayload(line.states.rows().at(1)), kWait);
        QVERIFY(line.notices.filter(u"потеряна"_s).size() == 1);
    }

    // A broker that is not there at the start: the publisher says so and
    // keeps the events, at most a queue's worth, the oldest dropped first
    // and counted; once the broker is there the rest go out in order.
    void unreachableAtStartThenFullQueue()
    {
        MOSQUITTO_REQUIRED();
        MosquittoBroker broker;
        MadeUpLine line({5});
        QVERIFY(line.start(broker));
        QTRY_VERIFY_WITH_TIMEOUT(!line.notices.filter(u"недоступен"_s).isEmpty(), kWait);
        QVERIFY(line.notices.first().contains(broker.address()));
        line.toggle(5, LinePublisher::kQueueLimit + 5);
        QCOMPARE(line.publisher.queuedEvents(), LinePublisher::kQueueLimit);
        QCOMPARE(line.publisher.droppedEvents(), 5);

        QVERIFY2(broker.start(), qPrintable(broker.errorText()));
        MqttSubscriber subscriber(broker, {u"verkan/north/5/event"_s});
        QVERIFY(subscriber.start());
        // Back-off reaches 5 s between attempts; the subscriber is in before
        // the publisher's next one at the latest.
        QTRY_VERIFY_WITH_TIMEOUT(line.publisher.isConnected(), kWait);
        QVERIFY2(line.notices.last().contains(u"отброшено: 5"_s), qPrintable(line.notices.last()));
        QTRY_COMPARE_WITH_TIMEOUT(line.publisher.queuedEvents(), 0, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(firstCopies(eventsReceived(subscriber)).size(),
                                  LinePublisher::kQueueLimit, kWait);
        QCOMPARE(firstCopies(eventsReceived(subscriber)), line.events.mid(5));
    }

    void credentials_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right") << u"fence-2026"_s << true;
        QTest::newRow("wrong") << u"fence-2025"_s << false;
    }
    void credentials()
    {
        MOSQUITTO_REQUIRED();
        QFETCH(QString, password);
        QFETCH(bool, accepted);
        MosquittoBroker broker({{u"installer"_s, u"fence-2026"_s}});
        QVERIFY2(broker.start(), qPrintable(broker.errorText()));
        QTemporaryDir dir;
        QFile file(dir.filePath(u"password"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(password.toUtf8() + "\n");
        file.close();
        MqttSettings settings;
        settings.user = u"installer"_s;
        settings.passwordFile = file.fileName();
        MadeUpLine line({1});
        QVERIFY(line.start(broker, settings));
        QTRY_VERIFY_WITH_TIMEOUT(!line.notices.isEmpty(), kWait);
        QCOMPARE(line.publisher.isConnected(), accepted);
        QCOMPARE(line.notices.first().contains(u"отказал в подключении"_s), !accepted);
        QCOMPARE(line.notices.first().contains(u"Проверьте имя пользователя и пароль"_s),
                 !accepted);
        // A refusal is said once, not at every retry.
        QTest::qWait(accepted ? 0 : 2000);
        QCOMPARE(line.notices.size(), 1);
    }

    // The new user's way: verkan-cli watch --mqtt against a simulated line,
    // read by mosquitto_sub; a watch that is killed leaves its last will.
    void watchPublishesAndLeavesItsWill()
    {
        MOSQUITTO_REQUIRED();
        MosquittoBroker broker;
        QVERIFY2(broker.start(), qPrintable(broker.errorText()));
        MqttSubscriber subscriber(broker, {u"fence/#"_s, u"homeassistant/#"_s});
        QVERIFY(subscriber.start());
        QTemporaryDir dir;
        SimDetector sim(QStringLiteral(VERKAN_SIM_PATH), dir,
                        {u"--addresses"_s, u"1-3"_s, u"--baud"_s, u"19200"_s});
        QVERIFY(sim.ready());

        QProcess watch;
        watch.setProcessEnvironment(sim.portEnvironment());
        watch.start(QStringLiteral(VERKAN_CLI_PATH),
                    {u"watch"_s, u"--addresses"_s, u"1-3"_s, u"--baud"_s, u"19200"_s, u"--mqtt"_s,
                     broker.address(), u"--mqtt-prefix"_s, u"fence"_s});
        QVERIFY(watch.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.messagesOn("fence/COM1/status").size(), 1, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.messagesOn("fence/COM1/3/event").size(), 4, kWait);
        sim.command(u"2 flank 1 alarm"_s);
        QTRY_VERIFY_WITH_TIMEOUT(
            subscriber.messagesOn("fence/COM1/2/event").last().payload.contains(R"("alarm")"),
            kWait);
        QVERIFY(
            subscriber.messagesOn("fence/COM1/2/state")
                .last()
                .payload.contains(
                    R"({"flank1": "alarm", "flank2": "norm", "tamper": "closed", "link": "alive")"));
        QCOMPARE(
            subscriber.messagesOn("homeassistant/binary_sensor/fence_COM1_2_flank1/config").size(),
            1);

        ::kill(pid_t(watch.processId()), SIGKILL);
        QVERIFY(watch.waitForFinished());
        QTRY_COMPARE_WITH_TIMEOUT(payloads(subscriber.messagesOn("fence/COM1/status")),
                                  (QList<QByteArray>{"online", "offline"}), kWait);
        QVERIFY(watch.readAllStandardError().contains("MQTT: "));
    }
};

QTEST_GUILESS_MAIN(MqttTest)
#include "test_mqtt.moc"
