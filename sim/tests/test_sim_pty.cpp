// The simulator end to end: a real pseudo-terminal opened with QSerialPort,
// first with the simulator in this process, then as the built program.

#include "link/codec.h"
#include "sim/simhost.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kPatienceMs = 15000;  // a safety net, never a measure of speed

QByteArray poll(int address, int flank)
{
    return codec::requestForFlank(address, codec::Status, flank).toLatin1();
}

bool isValidStatus(const QByteArray &frame)
{
    if (!frame.startsWith('!') || !frame.endsWith('\r'))
        return false;
    const QString body = QString::fromLatin1(frame.mid(1, frame.size() - 2));
    return body.size() == codec::kStatusBodyLength && codec::replyCheckPasses(body) &&
           codec::TakeData(body, 1) == codec::Status;
}

}  // namespace

class TestSimPty : public QObject {
    Q_OBJECT

private slots:
    void answersOnlyAtItsSpeed_data()
    {
        QTest::addColumn<int>("detectorBaud");
        QTest::addColumn<int>("wrongBaud");
        QTest::addColumn<QString>("delivery");
        QTest::newRow("9600, probe at 4800") << 9600 << 4800 << "whole";
        QTest::newRow("115200, probe at 57600, by char") << 115200 << 57600 << "char";
        QTest::newRow("4800, probe at 19200, random") << 4800 << 19200 << "random";
    }
    void answersOnlyAtItsSpeed()
    {
        QFETCH(int, detectorBaud);
        QFETCH(int, wrongBaud);
        QFETCH(QString, delivery);
        sim::SimHost host(1, detectorBaud, 1);
        QString error;
        QVERIFY2(host.open(&error), qPrintable(error));
        QVERIFY(host.command("delivery " + delivery).ok);
        QSignalSpy seen(&host, &sim::SimHost::requestSeen);

        QSerialPort port(host.slavePath());
        port.setBaudRate(wrongBaud);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QByteArray got;
        connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });

        // A gain read at the wrong speed, then a poll at the right one: a
        // gain reply would show that the first was answered.
        port.write(codec::requestForFlank(1, codec::ReadGain, 1).toLatin1());
        QTRY_VERIFY_WITH_TIMEOUT(seen.count() >= 1, kPatienceMs);
        QVERIFY(seen.first().first().toString().contains("ignored"));

        QVERIFY(port.setBaudRate(detectorBaud));
        port.write(poll(1, 2));
        QTRY_VERIFY_WITH_TIMEOUT(seen.count() >= 2 && got.endsWith('\r'), kPatienceMs);
        // Exactly one reply, the one to the request at the right speed.
        QCOMPARE(got.count('\r'), 1);
        QVERIFY2(isValidStatus(got), got.constData());
    }

    void survivesReopen()
    {
        sim::SimHost host(7, 9600, 1);
        QString error;
        QVERIFY2(host.open(&error), qPrintable(error));
        for (int round = 0; round < 3; ++round) {
            QSerialPort port(host.slavePath());
            port.setBaudRate(9600);
            QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
            QByteArray got;
            connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });
            port.write(poll(7, 1));
            QTRY_VERIFY_WITH_TIMEOUT(got.endsWith('\r'), kPatienceMs);
            QVERIFY2(isValidStatus(got), got.constData());
            port.close();
        }
    }

    void program_data()
    {
        QTest::addColumn<bool>("endWithQuit");
        QTest::newRow("quit") << true;
        QTest::newRow("SIGTERM after end of input") << false;
    }
    void program()
    {
        QFETCH(bool, endWithQuit);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath("sub/tty");
        const QString logPath = dir.filePath("sim.log");
        QVERIFY(QDir().mkpath(dir.filePath("sub")));
        QVERIFY(QFile::link(dir.filePath("gone"), link));  // a stale link to replace

        QProcess sim;
        sim.start(VERKAN_SIM_BINARY, {"--link", link, "--address", "5", "--baud", "19200", "--log",
                                      logPath, "--seed", "3"});
        QVERIFY(sim.waitForStarted(kPatienceMs));
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), kPatienceMs);
        const QString slave = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY(slave.startsWith("/dev/"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), slave);

        QByteArray out;
        sim.write("status\nbogus\n");
        QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAll()).contains("error: "), kPatienceMs);
        QVERIFY(out.startsWith("address 5, baud 19200"));
        QVERIFY(out.contains("\nflank 2: norm"));

        if (!endWithQuit)
            sim.closeWriteChannel();  // end of input must not end the simulator

        QSerialPort port(link);
        port.setBaudRate(19200);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QByteArray got;
        connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });
        port.write(poll(5, 1));
        QTRY_VERIFY_WITH_TIMEOUT(got.endsWith('\r'), kPatienceMs);
        QVERIFY2(isValidStatus(got), got.constData());
        port.close();

        if (endWithQuit)
            sim.write("quit\n");
        else
            sim.terminate();
        QVERIFY(sim.waitForFinished(kPatienceMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());

        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        const QRegularExpression request(
            "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} 19200 < \\$050b010c$",
            QRegularExpression::MultilineOption);
        QVERIFY2(request.match(QString::fromUtf8(text)).hasMatch(), text.constData());
        const QByteArray sent = got.left(got.size() - 1);
        QVERIFY2(text.contains(" 19200 > " + sent + "\n"), text.constData());
    }

    void refusesBadOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("address 0") << QStringList{"--address", "0"};
        QTest::newRow("address 129") << QStringList{"--address", "129"};
        QTest::newRow("baud 1200") << QStringList{"--baud", "1200"};
        QTest::newRow("baud text") << QStringList{"--baud", "fast"};
    }
    void refusesBadOptions()
    {
        QFETCH(QStringList, args);
        QProcess sim;
        sim.start(VERKAN_SIM_BINARY, args);
        QVERIFY(sim.waitForFinished(kPatienceMs));
        QVERIFY(sim.exitCode() != 0);
        QVERIFY(sim.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSimPty)
#include "test_sim_pty.moc"
