// The simulator end to end over a real pseudo-terminal opened with
// QSerialPort: in this process, then as the built program.

#include "link/codec.h"
#include "link/protocol.h"
#include "sim/simhost.h"

#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestSimPty : public QObject {
    Q_OBJECT

    static constexpr int kPatienceMs = 15000;  // a safety net, never a measure of speed

    static QByteArray poll(int address, int flank = 1)
    {
        return codec::requestForFlank(address, protocol::kStatus, flank).toLatin1();
    }
    static bool isValidStatus(const QByteArray &frame)
    {
        const QString body = QString::fromLatin1(frame.mid(1, frame.size() - 2));
        return frame.startsWith('!') && frame.endsWith('\r') && frame.count('\r') == 1 &&
               body.size() == protocol::kStatusBodyLength && codec::replyCheckPasses(body) &&
               codec::byteAt(body, 1) == protocol::kStatus;
    }

private slots:
    void answersOnlyAtItsSpeed_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("wrongBaud");
        QTest::addColumn<QString>("delivery");
        QTest::newRow("9600, probe at 4800") << 9600 << 4800 << "whole";
        QTest::newRow("115200, probe at 57600, by char") << 115200 << 57600 << "char";
        QTest::newRow("4800, probe at 19200, random") << 4800 << 19200 << "random";
    }
    void answersOnlyAtItsSpeed()
    {
        QFETCH(int, baud);
        QFETCH(int, wrongBaud);
        QFETCH(QString, delivery);
        sim::SimHost host(1, baud, 1);
        QString error;
        QVERIFY2(host.open(&error), qPrintable(error));
        QVERIFY(host.command("delivery " + delivery).ok);
        QSignalSpy seen(&host, &sim::SimHost::requestSeen);
        for (int round = 0; round < 2; ++round) {  // closed and opened again
            QSerialPort port(host.slavePath());
            port.setBaudRate(wrongBaud);
            QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
            QByteArray got;
            connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });
            // A gain read at the wrong speed, then a poll at the right one.
            seen.clear();
            port.write(codec::requestForFlank(
                           1, protocol::flankSetting(protocol::FlankSetting::Gain).readCode, 1)
                           .toLatin1());
            QTRY_VERIFY_WITH_TIMEOUT(seen.count() >= 1, kPatienceMs);
            QVERIFY(seen.first().first().toString().contains("ignored"));
            QVERIFY(port.setBaudRate(baud));
            port.write(poll(1, 2));
            QTRY_VERIFY_WITH_TIMEOUT(seen.count() >= 2 && got.endsWith('\r'), kPatienceMs);
            QVERIFY2(isValidStatus(got), got.constData());  // only the poll answered
        }
    }

    void programWithLinkAndQuit()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("tty");
        QVERIFY(QFile::link(dir.filePath("gone"), link));  // a stale link to replace
        QProcess sim;
        sim.start(VERKAN_SIM_BINARY, {"--link", link, "--address", "5", "--baud", "19200"});
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), kPatienceMs);
        const QString slave = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY(slave.startsWith("/dev/"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), slave);

        QSerialPort port(link);
        port.setBaudRate(19200);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QByteArray got;
        connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });
        port.write(poll(5));
        QTRY_VERIFY_WITH_TIMEOUT(got.endsWith('\r'), kPatienceMs);
        QVERIFY2(isValidStatus(got), got.constData());
        port.close();

        sim.write("quit\n");
        QVERIFY(sim.waitForFinished(kPatienceMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestSimPty)
#include "test_sim_pty.moc"
