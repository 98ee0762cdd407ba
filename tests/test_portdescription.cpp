#include "link/portdescription.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Kind = PortDescription::Kind;

Q_DECLARE_METATYPE(PortDescription::Kind)

// COM 5 is moved to a pseudo-terminal; the others keep their devices.
static QProcessEnvironment testEnvironment()
{
    QProcessEnvironment env;
    env.insert(u"VERKAN_COM5"_s, u"/tmp/verkan-pty-5"_s);
    return env;
}

class PortDescriptionTest : public QObject {
    Q_OBJECT
private slots:
    void valid_data()
    {
        // place: device or server; number: COM or TCP port; canonical: written back, "" as given
        for (const char *column : {"text", "place", "canonical", "label"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("number");
        const auto row = [](const char *text, Kind kind, int number, const char *place,
                            const char *canonical, const char *label) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(place)
                                << QString::fromUtf8(*canonical ? canonical : text)
                                << QString::fromUtf8(label) << kind << number;
        };
        row("3", Kind::ComNumber, 3, "/dev/ttyS2", "", "COM3 (/dev/ttyS2)");
        row("16", Kind::ComNumber, 16, "/dev/ttyACM3", "", "COM16 (/dev/ttyACM3)");
        row("05", Kind::ComNumber, 5, "/tmp/verkan-pty-5", "5", "COM5 (/tmp/verkan-pty-5)");
        row("/dev/ttyUSB0", Kind::DevicePath, 0, "/dev/ttyUSB0", "", "/dev/ttyUSB0");
        row("tcp://127.0.0.1:7000", Kind::Tcp, 7000, "127.0.0.1", "", "127.0.0.1:7000 (TCP)");
        row("rfc2217://[::1]:2217", Kind::Rfc2217, 2217, "::1", "", "[::1]:2217 (RFC 2217)");
        row("tcp://[0:0:0:0:0:0:0:1]:1", Kind::Tcp, 1, "::1", "tcp://[::1]:1", "[::1]:1 (TCP)");
        row("RFC2217://Moxa-5110.Site.Local:65535", Kind::Rfc2217, 65535, "moxa-5110.site.local",
            "rfc2217://moxa-5110.site.local:65535", "moxa-5110.site.local:65535 (RFC 2217)");
        row("tcp://10.0.0.5:04001", Kind::Tcp, 4001, "10.0.0.5", "tcp://10.0.0.5:4001",
            "10.0.0.5:4001 (TCP)");
    }
    void valid()
    {
        QFETCH(QString, text);
        QFETCH(Kind, kind);
        QFETCH(QString, canonical);
        QString error = u"untouched"_s;
        const std::optional<PortDescription> port = PortDescription::parse(text, &error);
        QVERIFY2(port.has_value(), qPrintable(error));
        QCOMPARE(port->kind(), kind);
        const bool network = kind == Kind::Tcp || kind == Kind::Rfc2217;
        QCOMPARE(port->isNetwork(), network);
        QCOMPARE(port->fixesLineSpeed(), kind == Kind::Tcp);
        QTEST(network ? port->tcpPort() : port->comNumber(), "number");
        QCOMPARE(network ? port->comNumber() : port->tcpPort(), 0);
        QTEST(network ? port->host() : port->devicePath(testEnvironment()), "place");
        QCOMPARE(network ? port->devicePath(testEnvironment()) : port->host(), QString());
        QTEST(port->label(testEnvironment()), "label");
        QCOMPARE(port->toString(), canonical);
        const std::optional<PortDescription> again = PortDescription::parse(canonical);
        QVERIFY(again && *again == *port && again->toString() == canonical);
    }

    void invalid_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("empty") << QString() << u"порт не указан"_s;
        QTest::newRow("leading space") << u" 3"_s << u"пробелы в начале или в конце"_s;
        QTest::newRow("COM 0") << u"0"_s << u"номер COM-порта 0 не от 1 до 16"_s;
        QTest::newRow("COM 17") << u"17"_s << u"номер COM-порта 17 не от 1 до 16"_s;
        QTest::newRow("COM huge") << u"99999999999"_s << u"номер COM-порта 99999999999 "_s;
        QTest::newRow("relative") << u"dev/ttyUSB0"_s << u"относительный путь \"dev/ttyUSB0\""_s;
        QTest::newRow("telnet") << u"telnet://h:23"_s << u"неизвестная схема \"telnet://\""_s;
        QTest::newRow("nothing after scheme") << u"tcp://"_s << u"не указан сервер"_s;
        QTest::newRow("underscore")
            << u"tcp://my_host:7000"_s << u"неверное имя или адрес сервера \"my_host\""_s;
        QTest::newRow("IPv4 256") << u"tcp://256.0.0.1:7000"_s << u"сервера \"256.0.0.1\""_s;
        QTest::newRow("IPv4 leading zero") << u"tcp://10.0.0.08:7000"_s << u"\"10.0.0.08\""_s;
        QTest::newRow("IPv6 unclosed") << u"rfc2217://[::1:7000"_s << u"сервера \"[::1:7000\""_s;
        QTest::newRow("IPv6 bare") << u"rfc2217://::1:7000"_s << u"в квадратных скобках"_s;
        QTest::newRow("no port") << u"tcp://moxa"_s << u"не указан номер TCP-порта"_s;
        QTest::newRow("port letters") << u"tcp://moxa:abc"_s << u"неверный номер TCP-порта"_s;
        QTest::newRow("port 0") << u"tcp://moxa:0"_s << u"номер TCP-порта 0 не от 1 до 65535"_s;
        QTest::newRow("port 65536") << u"tcp://moxa:65536"_s << u"TCP-порта 65536 не от"_s;
        QTest::newRow("path after port") << u"tcp://moxa:7000/x"_s << u"лишние символы \"/x\""_s;
    }
    void invalid()
    {
        QFETCH(QString, text);
        QFETCH(QString, fragment);
        QString error;
        QVERIFY(!PortDescription::parse(text, &error).has_value());
        QVERIFY2(error.contains(fragment), qPrintable(error));
        QVERIFY(!PortDescription::parse(text, nullptr).has_value());
    }

    void equality()
    {
        // Each differs from the next in one thing; the same device by number and by path is two.
        const QStringList texts{u"tcp://moxa:4001"_s,
                                u"rfc2217://moxa:4001"_s,
                                u"rfc2217://moxa:4002"_s,
                                u"rfc2217://moxa2:4002"_s,
                                u"3"_s,
                                u"4"_s,
                                u"1"_s,
                                u"/dev/ttyS0"_s,
                                u"/dev/ttyS1"_s};
        for (const QString &a : texts) {
            for (const QString &b : texts) {
                QCOMPARE(*PortDescription::parse(a) == *PortDescription::parse(b), a == b);
                QCOMPARE(*PortDescription::parse(a) != *PortDescription::parse(b), a != b);
            }
        }
        QVERIFY(PortDescription::comPort(7) == *PortDescription::parse(u"7"_s));
        QCOMPARE(PortDescription::comPort(7).toString(), u"7"_s);
    }
};

QTEST_GUILESS_MAIN(PortDescriptionTest)
#include "test_portdescription.moc"
