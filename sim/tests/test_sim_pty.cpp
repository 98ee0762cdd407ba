// The simulator end to end over a real pseudo-terminal opened with
// QSerialPort: in this process, then as the built program.

#include "link/codec.h"
#include "link/protocol.h"
#include "sim/simhost.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <tuple>

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

    // Detectors at 3 and 7 on one terminal: each request is answered by the
    // detector at its address, with that detector's unit number (each one's
    // state: test_sim_detector and programWithAddresses); a frame for an
    // address nobody has is heard once and not answered.
    void twoAddressesOnOneLine_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("unit");  // the unit number in the reply, -1: no reply at all
        QTest::newRow("unit number of 3")
            << codec::requestAddressOnly(3, protocol::kReadUnitNumber).toLatin1() << 3;
        QTest::newRow("unit number of 7")
            << codec::requestAddressOnly(7, protocol::kReadUnitNumber).toLatin1() << 7;
        QTest::newRow("nobody at 9") << poll(9) << -1;
    }
    void twoAddressesOnOneLine()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, unit);
        QTemporaryDir dir;
        sim::SimHost host(QList<int>{3, 7}, 9600, 1);
        QString error;
        QVERIFY2(host.open(&error), qPrintable(error));
        QVERIFY(host.setLogFile(dir.filePath("sim.log")));
        QSignalSpy seen(&host, &sim::SimHost::requestSeen);
        QSignalSpy sent(&host, &sim::SimHost::replySent);
        QSerialPort port(host.slavePath());
        port.setBaudRate(9600);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QByteArray got;
        connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });
        port.write(request);
        // Heard once, by the line as a whole, however many detectors are on it.
        QTRY_VERIFY_WITH_TIMEOUT(seen.count() >= 1, kPatienceMs);
        if (unit < 0) {
            // Nothing is due; a poll of 3 afterwards shows the line still works
            // and that nothing came before its reply.
            port.write(poll(3));
            QTRY_VERIFY_WITH_TIMEOUT(got.endsWith('\r'), kPatienceMs);
            QVERIFY2(isValidStatus(got), got.constData());
            QCOMPARE(seen.count(), 2);
            QVERIFY(seen.first().first().toString().endsWith("ignored: other address"));
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(got.endsWith('\r'), kPatienceMs);
        QCOMPARE(got.count('\r'), 1);
        QCOMPARE(seen.count(), 1);
        QVERIFY2(!seen.first().first().toString().contains("ignored"),
                 qPrintable(seen.first().first().toString()));
        const QString body = QString::fromLatin1(got.mid(1, got.size() - 2));
        QVERIFY2(got.startsWith('!') && codec::replyCheckPasses(body), got.constData());
        QCOMPARE(codec::byteAt(body, 3), unit);
        // The log names the detector that replied.
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() == 1, kPatienceMs);
        QFile log(dir.filePath("sim.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        const int address = codec::byteAt(QString::fromLatin1(request.mid(1)), 1);
        QVERIFY2(text.contains(QString::fromLatin1(got.trimmed()) +
                               QStringLiteral(" [%1]\n").arg(address)),
                 qPrintable(text));
    }

    // The built program with --addresses and --late on a link that replaces a
    // stale one: the late address answers no sooner than its delay, the
    // others at their own addresses; quit ends it and removes the link.
    void programWithAddressesOnALink()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("tty");
        QVERIFY(QFile::link(dir.filePath("gone"), link));  // a stale link to replace
        QProcess sim;
        sim.start(VERKAN_SIM_BINARY, {"--addresses", "2,5-6", "--late", "250", "--baud", "19200",
                                      "--link", link, "--log", dir.filePath("sim.log")});
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), kPatienceMs);
        const QString slave = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY(slave.startsWith("/dev/"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), slave);
        QSerialPort port(link);
        port.setBaudRate(19200);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QByteArray got;
        connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });
        sim.write("6 flank 2 short\n");
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), kPatienceMs);
        QCOMPARE(sim.readLine().trimmed(), QByteArray("ok"));
        for (const auto &[address, late, state] :
             {std::tuple{2, true, 0}, std::tuple{6, false, 36}, std::tuple{5, false, 0}}) {
            got.clear();
            QElapsedTimer clock;
            clock.start();
            port.write(poll(address, 2));
            QTRY_VERIFY_WITH_TIMEOUT(got.endsWith('\r'), kPatienceMs);
            QVERIFY2(isValidStatus(got), got.constData());
            QCOMPARE(codec::byteAt(QString::fromLatin1(got.mid(1, got.size() - 2)), 11), state);
            if (late)
                QVERIFY2(clock.elapsed() >= 250 - 20, qPrintable(QString::number(clock.elapsed())));
        }
        port.close();
        sim.write("9 silence on\nquit\n");
        QVERIFY(sim.waitForFinished(kPatienceMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
        const QByteArray out = sim.readAll();
        QVERIFY2(out.startsWith("error: no detector at address 9"), out.constData());
        QFile log(dir.filePath("sim.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        for (const char *tag : {" [2]\n", " [5]\n", " [6]\n"})
            QVERIFY2(text.contains(tag), qPrintable(text));
    }

    // Bad options stop the program with status 2 and a message naming the
    // option (the address lists themselves: test_sim_detector).
    void badOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("duplicate")
            << QStringList{"--addresses", "1-3,2"} << "--addresses: address 2 is listed twice";
        QTest::newRow("both address options")
            << QStringList{"--address", "4", "--addresses", "1-2"} << "cannot be given together";
        QTest::newRow("late too long") << QStringList{"--late", "1001"} << "--late must be 0..1000";
    }
    void badOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QProcess sim;
        sim.start(VERKAN_SIM_BINARY, args);
        QVERIFY(sim.waitForFinished(kPatienceMs));
        QCOMPARE(sim.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(sim.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
        QVERIFY(sim.readAllStandardOutput().isEmpty());  // no terminal was made
    }
};

QTEST_GUILESS_MAIN(TestSimPty)
#include "test_sim_pty.moc"
