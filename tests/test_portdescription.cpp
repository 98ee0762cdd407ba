#include "link/portdescription.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Kind = PortDescription::Kind;

Q_DECLARE_METATYPE(PortDescription::Kind)

namespace {

// COM 5 is moved to a pseudo-terminal; the others keep their devices.
QProcessEnvironment testEnvironment()
{
    QProcessEnvironment env;
    env.insert(u"VERKAN_COM5"_s, u"/tmp/verkan-pty-5"_s);
    return env;
}

}  // namespace

class PortDescriptionTest : public QObject {
    Q_OBJECT
private slots:
    void valid_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("comNumber");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("tcpPort");
        QTest::addColumn<QString>("canonical");
        QTest::addColumn<QString>("label");
        QTest::newRow("COM 3") << u"3"_s << Kind::ComNumber << 3 << u"/dev/ttyS2"_s << QString()
                               << 0 << u"3"_s << u"COM3 (/dev/ttyS2)"_s;
        QTest::newRow("COM 1") << u"1"_s << Kind::ComNumber << 1 << u"/dev/ttyS0"_s << QString()
                               << 0 << u"1"_s << u"COM1 (/dev/ttyS0)"_s;
        QTest::newRow("COM 16") << u"16"_s << Kind::ComNumber << 16 << u"/dev/ttyACM3"_s
                                << QString() << 0 << u"16"_s << u"COM16 (/dev/ttyACM3)"_s;
        QTest::newRow("COM 5 overridden")
            << u"5"_s << Kind::ComNumber << 5 << u"/tmp/verkan-pty-5"_s << QString() << 0 << u"5"_s
            << u"COM5 (/tmp/verkan-pty-5)"_s;
        QTest::newRow("COM 05") << u"05"_s << Kind::ComNumber << 5 << u"/tmp/verkan-pty-5"_s
                                << QString() << 0 << u"5"_s << u"COM5 (/tmp/verkan-pty-5)"_s;
        QTest::newRow("device") << u"/dev/ttyUSB0"_s << Kind::DevicePath << 0 << u"/dev/ttyUSB0"_s
                                << QString() << 0 << u"/dev/ttyUSB0"_s << u"/dev/ttyUSB0"_s;
        const QString byId = u"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"_s;
        QTest::newRow("by-id link")
            << byId << Kind::DevicePath << 0 << byId << QString() << 0 << byId << byId;
        QTest::newRow("tcp IPv4") << u"tcp://127.0.0.1:7000"_s << Kind::Tcp << 0 << QString()
                                  << u"127.0.0.1"_s << 7000 << u"tcp://127.0.0.1:7000"_s
                                  << u"127.0.0.1:7000 (TCP)"_s;
        QTest::newRow("rfc2217 IPv4")
            << u"rfc2217://127.0.0.1:7000"_s << Kind::Rfc2217 << 0 << QString() << u"127.0.0.1"_s
            << 7000 << u"rfc2217://127.0.0.1:7000"_s << u"127.0.0.1:7000 (RFC 2217)"_s;
        QTest::newRow("rfc2217 IPv6")
            << u"rfc2217://[::1]:2217"_s << Kind::Rfc2217 << 0 << QString() << u"::1"_s << 2217
            << u"rfc2217://[::1]:2217"_s << u"[::1]:2217 (RFC 2217)"_s;
        QTest::newRow("IPv6 in full")
            << u"tcp://[0:0:0:0:0:0:0:1]:1"_s << Kind::Tcp << 0 << QString() << u"::1"_s << 1
            << u"tcp://[::1]:1"_s << u"[::1]:1 (TCP)"_s;
        QTest::newRow("name") << u"tcp://nport-5110.site.local:4001"_s << Kind::Tcp << 0
                              << QString() << u"nport-5110.site.local"_s << 4001
                              << u"tcp://nport-5110.site.local:4001"_s
                              << u"nport-5110.site.local:4001 (TCP)"_s;
        QTest::newRow("upper case")
            << u"RFC2217://Moxa.Local:65535"_s << Kind::Rfc2217 << 0 << QString() << u"moxa.local"_s
            << 65535 << u"rfc2217://moxa.local:65535"_s << u"moxa.local:65535 (RFC 2217)"_s;
        QTest::newRow("port 04001")
            << u"tcp://10.0.0.5:04001"_s << Kind::Tcp << 0 << QString() << u"10.0.0.5"_s << 4001
            << u"tcp://10.0.0.5:4001"_s << u"10.0.0.5:4001 (TCP)"_s;
    }
    void valid()
    {
        QFETCH(QString, text);
        QFETCH(Kind, kind);
        QFETCH(int, comNumber);
        QFETCH(QString, device);
        QFETCH(QString, host);
        QFETCH(int, tcpPort);
        QFETCH(QString, canonical);
        QFETCH(QString, label);
        QString error = u"untouched"_s;
        const std::optional<PortDescription> port = PortDescription::parse(text, &error);
        QVERIFY2(port.has_value(), qPrintable(error));
        QCOMPARE(port->kind(), kind);
        QCOMPARE(port->comNumber(), comNumber);
        QCOMPARE(port->devicePath(testEnvironment()), device);
        QCOMPARE(port->host(), host);
        QCOMPARE(port->tcpPort(), tcpPort);
        QCOMPARE(port->isNetwork(), kind == Kind::Tcp || kind == Kind::Rfc2217);
        QCOMPARE(port->fixesLineSpeed(), kind == Kind::Tcp);
        QCOMPARE(port->label(testEnvironment()), label);
        QCOMPARE(port->toString(), canonical);
        const std::optional<PortDescription> again = PortDescription::parse(canonical);
        QVERIFY(again.has_value());
        QVERIFY(*again == *port);
        QCOMPARE(again->toString(), canonical);
    }

    void invalid_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("empty") << QString() << u"порт не указан"_s;
        QTest::newRow("leading space") << u" 3"_s << u"пробелы в начале или в конце"_s;
        QTest::newRow("trailing newline") << u"tcp://h:7000\n"_s << u"пробелы в начале"_s;
        QTest::newRow("COM 0") << u"0"_s << u"номер COM-порта 0 не от 1 до 16"_s;
        QTest::newRow("COM 17") << u"17"_s << u"номер COM-порта 17 не от 1 до 16"_s;
        QTest::newRow("COM -1") << u"-1"_s << u"номер COM-порта -1 "_s;
        QTest::newRow("COM huge") << u"99999999999"_s << u"номер COM-порта 99999999999 "_s;
        QTest::newRow("relative") << u"dev/ttyUSB0"_s << u"относительный путь \"dev/ttyUSB0\""_s;
        QTest::newRow("number and text") << u"3x"_s << u"относительный путь \"3x\""_s;
        QTest::newRow("telnet") << u"telnet://h:23"_s << u"неизвестная схема \"telnet://\""_s;
        QTest::newRow("no slashes") << u"tcp:h:7000"_s << u"неизвестная схема \"tcp:\""_s;
        QTest::newRow("no scheme") << u"://h:7000"_s << u"неизвестная схема \"://\""_s;
        QTest::newRow("nothing after scheme") << u"tcp://"_s << u"не указан сервер"_s;
        QTest::newRow("port only") << u"tcp://:7000"_s << u"не указан сервер"_s;
        QTest::newRow("underscore")
            << u"tcp://my_host:7000"_s << u"неверное имя или адрес сервера \"my_host\""_s;
        QTest::newRow("hyphen first") << u"tcp://-moxa:7000"_s << u"сервера \"-moxa\""_s;
        QTest::newRow("empty label") << u"tcp://moxa..local:7000"_s << u"сервера \"moxa..local\""_s;
        QTest::newRow("user") << u"tcp://root@moxa:7000"_s << u"сервера \"root@moxa\""_s;
        QTest::newRow("IPv4 256") << u"tcp://256.0.0.1:7000"_s << u"сервера \"256.0.0.1\""_s;
        QTest::newRow("IPv4 three parts") << u"tcp://10.0.1:7000"_s << u"сервера \"10.0.1\""_s;
        QTest::newRow("IPv4 leading zero") << u"tcp://10.0.0.08:7000"_s << u"\"10.0.0.08\""_s;
        QTest::newRow("IPv6 unclosed") << u"rfc2217://[::1:7000"_s << u"сервера \"[::1:7000\""_s;
        QTest::newRow("IPv6 empty") << u"rfc2217://[]:7000"_s << u"сервера \"[]\""_s;
        QTest::newRow("IPv4 in brackets") << u"tcp://[10.0.0.1]:7000"_s << u"\"[10.0.0.1]\""_s;
        QTest::newRow("after bracket") << u"tcp://[::1]x:7000"_s << u"сервера \"[::1]x:7000\""_s;
        QTest::newRow("IPv6 bare") << u"rfc2217://::1:7000"_s << u"в квадратных скобках"_s;
        QTest::newRow("no port") << u"tcp://moxa"_s << u"не указан номер TCP-порта"_s;
        QTest::newRow("colon, no port") << u"tcp://moxa:"_s << u"не указан номер TCP-порта"_s;
        QTest::newRow("IPv6 no port") << u"tcp://[::1]"_s << u"не указан номер TCP-порта"_s;
        QTest::newRow("port letters") << u"tcp://moxa:abc"_s << u"неверный номер TCP-порта"_s;
        QTest::newRow("port signed") << u"tcp://moxa:+7000"_s << u"TCP-порта \"+7000\""_s;
        QTest::newRow("port 0") << u"tcp://moxa:0"_s << u"номер TCP-порта 0 не от 1 до 65535"_s;
        QTest::newRow("port 65536") << u"tcp://moxa:65536"_s << u"TCP-порта 65536 не от"_s;
        QTest::newRow("port huge") << u"tcp://moxa:99999999999999999999"_s << u"не от 1 до 65535"_s;
        QTest::newRow("path after port") << u"tcp://moxa:7000/x"_s << u"лишние символы \"/x\""_s;
        QTest::newRow("space after port") << u"tcp://moxa:7000 9600"_s << u"символы \" 9600\""_s;
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

    void equality_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("equal");
        QTest::newRow("same text") << u"tcp://moxa:4001"_s << u"tcp://moxa:4001"_s << true;
        QTest::newRow("host case") << u"tcp://MOXA:4001"_s << u"tcp://moxa:4001"_s << true;
        QTest::newRow("kind") << u"tcp://moxa:4001"_s << u"rfc2217://moxa:4001"_s << false;
        QTest::newRow("tcp port") << u"tcp://moxa:4001"_s << u"tcp://moxa:4002"_s << false;
        QTest::newRow("host") << u"tcp://moxa:4001"_s << u"tcp://moxa2:4001"_s << false;
        QTest::newRow("COM number") << u"3"_s << u"4"_s << false;
        QTest::newRow("device") << u"/dev/ttyUSB0"_s << u"/dev/ttyUSB1"_s << false;
        // The same device by number and by path are two descriptions.
        QTest::newRow("number and path") << u"1"_s << u"/dev/ttyS0"_s << false;
    }
    void equality()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, equal);
        const std::optional<PortDescription> first = PortDescription::parse(a);
        const std::optional<PortDescription> second = PortDescription::parse(b);
        QVERIFY(first && second);
        QCOMPARE(*first == *second, equal);
        QCOMPARE(*first != *second, !equal);
    }

    void comPortIsTheNumberParsed()
    {
        QVERIFY(PortDescription::comPort(7) == *PortDescription::parse(u"7"_s));
        QCOMPARE(PortDescription::comPort(7).toString(), u"7"_s);
    }
};

QTEST_GUILESS_MAIN(PortDescriptionTest)
#include "test_portdescription.moc"
