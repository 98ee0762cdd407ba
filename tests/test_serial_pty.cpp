// The QSerialPort service on a real pseudo-terminal: speed and flow control
// reach the line, bytes flow both ways, and a vanished device closes the port.
#include "link/qtserialport.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class SerialPtyTest : public QObject {
    Q_OBJECT
    int m_master = -1;
    std::unique_ptr<QtSerialPortService> m_port;  // port 1, the pseudo-terminal

    // Whether the far end reads exactly `frame` (within a generous time).
    bool farEndReads(const QByteArray &frame) const
    {
        QByteArray heard;
        char buf[64];
        return QTest::qWaitFor(
                   [&] {
                       heard += QByteArray(
                           buf, std::max<int>(0, int(::read(m_master, buf, sizeof buf))));
                       return heard.size() >= frame.size();
                   },
                   5000) &&
               heard == frame;
    }

private slots:
    void init()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(m_master >= 0);
        // Reads of the far end never block the test.
        QCOMPARE(fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK), 0);
        QCOMPARE(grantpt(m_master), 0);
        QCOMPARE(unlockpt(m_master), 0);
        QProcessEnvironment env;
        env.insert(u"VERKAN_COM1"_s, QString::fromLocal8Bit(ptsname(m_master)));
        m_port = std::make_unique<QtSerialPortService>(env);
        m_port->setPort(PortDescription::comPort(1));
    }
    void cleanup()
    {
        m_port.reset();
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    void settingsReachTheLine_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<QString>("when");  // speed and flow control set before or after opening
        QTest::addColumn<bool>("xon");
        QTest::addColumn<int>("speed");
        QTest::newRow("4800 on the open port") << 4800 << u"open"_s << false << int(B4800);
        QTest::newRow("19200 before opening, XON/XOFF")
            << 19200 << u"before"_s << true << int(B19200);
        QTest::newRow("115200 kept over a reopen") << 115200 << u"reopen"_s << true << int(B115200);
    }
    void settingsReachTheLine()
    {
        QFETCH(int, baud);
        QFETCH(QString, when);
        QFETCH(bool, xon);
        QFETCH(int, speed);
        if (when == u"before") {
            m_port->setBaudRate(baud);
            m_port->setSoftwareFlowControl(xon);
        }
        QVERIFY(m_port->open());
        if (when != u"before") {
            m_port->setSoftwareFlowControl(xon);
            m_port->setBaudRate(baud);
        }
        if (when == u"reopen") {
            m_port->close();
            QVERIFY(!m_port->isOpen());
            QVERIFY(m_port->open());
        }
        // The master side sees the terminal settings the program has set.
        termios tio{};
        QCOMPARE(tcgetattr(m_master, &tio), 0);
        QCOMPARE(int(cfgetospeed(&tio)), speed);
        QCOMPARE(int(tio.c_cflag & (CSIZE | PARENB | CSTOPB)), int(CS8));
        QCOMPARE(int(tio.c_iflag & (IXON | IXOFF)), xon ? int(IXON | IXOFF) : 0);
    }

    void bytesFlowBothWays()
    {
        QVERIFY(m_port->open());
        QSignalSpy received(m_port.get(), &SerialPortService::dataReceived);
        m_port->write("$010b010c\r");
        QVERIFY(farEndReads("$010b010c\r"));

        const QByteArray reply = "!0f0514\r";
        QCOMPARE(::write(m_master, reply.constData(), size_t(reply.size())), ssize_t(reply.size()));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += m_port->readAll(), got.size() >= reply.size()), 5000);
        QCOMPARE(got, reply);  // raw bytes, CR kept
        QVERIFY(received.count() >= 1);
    }

    void strayXoffIsLetGo()
    {
        // Noise that reads as XOFF stops our output on the terminal; the
        // service sees the frame held and lets it go.
        m_port->setSoftwareFlowControl(true);
        QVERIFY(m_port->open());
        QVERIFY(!m_port->outputSuspended());
        QCOMPARE(::write(m_master, "\x13", 1), ssize_t(1));
        QTest::qWait(50);
        m_port->write("$010b010c\r");
        QTRY_VERIFY_WITH_TIMEOUT(m_port->outputSuspended(), 2000);
        char buf[64];
        QCOMPARE(::read(m_master, buf, sizeof buf), ssize_t(-1));  // nothing got through
        m_port->resumeOutput();
        QVERIFY(farEndReads("$010b010c\r"));
        QVERIFY(!m_port->outputSuspended());
    }

    void vanishedDeviceCloses()
    {
        QVERIFY(m_port->open());
        // The far end goes away: reads on the terminal fail from now on.
        ::close(m_master);
        m_master = -1;
        QTRY_VERIFY_WITH_TIMEOUT(!m_port->isOpen(), 5000);
        m_port->write("$010b010c\r");  // ignored on a closed port
        QVERIFY(m_port->readAll().isEmpty());
        // The device is gone: reopening, as the watchdog does, fails.
        QVERIFY(!m_port->open());
        QCOMPARE(m_port->lastOpenError(), SerialPortService::OpenError::NoSuchPort);
    }

    // One device under several names (its own, a /dev/serial/by-id link, a
    // link to that link) is one port: whoever opens it second, by whichever
    // name, finds it busy, and opens it once the first has let it go.
    void deviceLockedWhateverItsName_data()
    {
        QTest::addColumn<int>("firstPort");  // 1: the device, 2: a link, 3: a link to the link
        QTest::addColumn<int>("secondPort");
        QTest::newRow("link after the device") << 1 << 2;
        QTest::newRow("device after the link") << 2 << 1;
        QTest::newRow("link after a link to it") << 3 << 2;
        QTest::newRow("link to the link after the device") << 1 << 3;
        QTest::newRow("the same name twice") << 2 << 2;
    }
    void deviceLockedWhateverItsName()
    {
        QFETCH(int, firstPort);
        QFETCH(int, secondPort);
        QTemporaryDir dir;
        const QString device = QString::fromLocal8Bit(ptsname(m_master));
        const QString link = dir.filePath(u"usb-FTDI_FT232R-if00-port0"_s);
        const QString linkToLink = dir.filePath(u"verkan"_s);
        QVERIFY(QFile::link(device, link));
        QVERIFY(QFile::link(link, linkToLink));
        QProcessEnvironment env;
        env.insert(u"VERKAN_COM1"_s, device);
        env.insert(u"VERKAN_COM2"_s, link);
        env.insert(u"VERKAN_COM3"_s, linkToLink);
        QtSerialPortService first(env);
        QtSerialPortService second(env);
        first.setPort(PortDescription::comPort(firstPort));
        second.setPort(PortDescription::comPort(secondPort));

        QVERIFY(first.open());
        QVERIFY(!second.open());
        QCOMPARE(second.lastOpenError(), SerialPortService::OpenError::Busy);
        QVERIFY(first.isOpen());
        // Messages and tool tips keep the name the user gave.
        QCOMPARE(second.deviceOf(PortDescription::comPort(2)), link);

        first.close();
        QVERIFY(second.open());
        QVERIFY(!first.open());
        QCOMPARE(first.lastOpenError(), SerialPortService::OpenError::Busy);
        second.close();
        QVERIFY(first.open());
    }

    // Another program that locks the device itself (flock), wherever its
    // lock files go: neither takes the device from the other, and a refused
    // open leaves the holder's line settings as they were.
    void deviceLockSharedWithOtherPrograms()
    {
        const QByteArray device = ptsname(m_master);
        const int other = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(other >= 0);
        termios tio{};
        QCOMPARE(tcgetattr(other, &tio), 0);
        cfsetspeed(&tio, B2400);
        QCOMPARE(tcsetattr(other, TCSANOW, &tio), 0);

        QVERIFY(m_port->open());
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), -1);
        m_port->close();
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);

        QVERIFY(!m_port->open());
        QCOMPARE(m_port->lastOpenError(), SerialPortService::OpenError::Busy);
        QCOMPARE(tcgetattr(other, &tio), 0);
        QCOMPARE(int(cfgetospeed(&tio)), int(B2400));
        ::close(other);
        QVERIFY(m_port->open());
    }
};

QTEST_GUILESS_MAIN(SerialPtyTest)
#include "test_serial_pty.moc"
