#include "link/qtserialport.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The QSerialPort service on a real pseudo-terminal: settings reach the
// line, bytes flow both ways, and a vanished device closes the port once.
class SerialPtyTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void speedChangesReachTheLine_data();
    void speedChangesReachTheLine();
    void bytesFlowBothWays();
    void vanishedDeviceClosesOnce();

private:
    int m_master = -1;
    QString m_slave;
    QProcessEnvironment env() const;
};

void SerialPtyTest::init()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(m_master >= 0);
    // Reads of the far end never block the test.
    QCOMPARE(fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK), 0);
    QCOMPARE(grantpt(m_master), 0);
    QCOMPARE(unlockpt(m_master), 0);
    m_slave = QString::fromLocal8Bit(ptsname(m_master));
}

void SerialPtyTest::cleanup()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

QProcessEnvironment SerialPtyTest::env() const
{
    QProcessEnvironment e;
    for (int n = 1; n <= 16; ++n)
        e.insert(u"VERKAN_COM%1"_s.arg(n), n == 1 ? m_slave : u"/nonexistent/tty%1"_s.arg(n));
    return e;
}

void SerialPtyTest::speedChangesReachTheLine_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("speed");
    QTest::newRow("4800") << u"4800,N,8,1"_s << int(B4800);
    QTest::newRow("19200") << u"19200,N,8,1"_s << int(B19200);
    QTest::newRow("115200") << u"115200,N,8,1"_s << int(B115200);
}

void SerialPtyTest::speedChangesReachTheLine()
{
    QFETCH(QString, settings);
    QFETCH(int, speed);
    QtSerialPortService port(env());
    port.setPortNumber(1);
    QVERIFY(port.open());
    port.setSettings(settings);
    QCOMPARE(port.settings(), settings);
    termios tio{};
    // The master side sees the terminal settings the program has set.
    QCOMPARE(tcgetattr(m_master, &tio), 0);
    QCOMPARE(int(cfgetospeed(&tio)), speed);
    QCOMPARE(int(tio.c_cflag & CSIZE), int(CS8));
    QVERIFY(!(tio.c_cflag & PARENB));
    QVERIFY(!(tio.c_cflag & CSTOPB));
}

void SerialPtyTest::bytesFlowBothWays()
{
    QtSerialPortService port(env());
    port.setPortNumber(1);
    QVERIFY(port.open());
    QSignalSpy received(&port, &SerialPortService::dataReceived);
    port.write("$010b010c\r");
    QByteArray heard;
    QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                 char buf[64];
                                 const ssize_t n = ::read(m_master, buf, sizeof buf);
                                 if (n > 0)
                                     heard.append(buf, int(n));
                                 return heard.size() >= 10;
                             }()),
                             5000);
    QCOMPARE(heard, QByteArray("$010b010c\r"));

    const QByteArray reply = "!0f0514\r";
    QCOMPARE(::write(m_master, reply.constData(), size_t(reply.size())), ssize_t(reply.size()));
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll(), got.size() >= reply.size()), 5000);
    QCOMPARE(got, reply);  // raw bytes, CR kept
    QVERIFY(received.count() >= 1);
}

void SerialPtyTest::vanishedDeviceClosesOnce()
{
    QtSerialPortService port(env());
    port.setPortNumber(1);
    QVERIFY(port.open());
    QSignalSpy lost(&port, &SerialPortService::portLost);
    // The far end goes away: reads on the terminal fail from now on.
    ::close(m_master);
    m_master = -1;
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 5000);
    QVERIFY(!port.isOpen());
    // No storm of further events while the device stays gone.
    QTest::qWait(300);
    QCOMPARE(lost.count(), 1);
    port.write("$010b010c\r");  // ignored on a closed port
    QVERIFY(port.readAll().isEmpty());
}

QTEST_GUILESS_MAIN(SerialPtyTest)
#include "test_serial_pty.moc"
