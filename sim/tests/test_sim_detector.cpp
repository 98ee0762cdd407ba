// The simulated detector's side of the protocol, bytes in and bytes out, with
// a hand-driven clock.

#include "link/codec.h"
#include "sim/commands.h"
#include "sim/detector.h"

#include <QtTest>

using sim::Detector;
using sim::FlankState;

namespace {

QByteArray poll(int address, int flank)
{
    return codec::requestForFlank(address, codec::Status, flank).toLatin1();
}

QByteArray read(int address, int code, int flank)
{
    return codec::requestForFlank(address, code, flank).toLatin1();
}

QByteArray write(int address, int code, int flank, int value)
{
    return codec::requestWithValue(address, code, flank, value).toLatin1();
}

// The bodies of the replies in out, which must be "!" + body + CR each.
QStringList bodies(const QByteArray &out)
{
    QStringList list;
    for (const QByteArray &part : out.split('\r')) {
        if (part.isEmpty())
            continue;
        if (!part.startsWith('!'))
            return {QStringLiteral("<not a reply: %1>").arg(QString::fromLatin1(part))};
        list << QString::fromLatin1(part.mid(1));
    }
    if (!out.isEmpty() && !out.endsWith('\r'))
        list << QStringLiteral("<unterminated>");
    return list;
}

// The single reply in out, checked for a valid checksum.
QString onlyBody(const QByteArray &out)
{
    const QStringList b = bodies(out);
    if (b.size() != 1)
        return QStringLiteral("<%1 replies>").arg(b.size());
    if (!codec::replyCheckPasses(b[0]))
        return QStringLiteral("<bad checksum: %1>").arg(b[0]);
    return b[0];
}

double sample(const QString &body, int pos)
{
    return codec::TakeData(body, pos) / 4.0 + codec::TakeData(body, pos + 2) * 64.0;
}

enum Field { Limit, Gain, Threshold, Accumulation, Front, AlarmTime, SelfTest };

int fieldOf(const sim::FlankSettings &s, int f)
{
    switch (f) {
    case Limit:
        return s.limit;
    case Gain:
        return s.gain;
    case Threshold:
        return s.threshold;
    case Accumulation:
        return s.accumulation;
    case Front:
        return s.front;
    case AlarmTime:
        return s.alarmTime;
    default:
        return s.selfTest;
    }
}

}  // namespace

class TestSimDetector : public QObject {
    Q_OBJECT

    qint64 clockMs = 0;
    Detector makeDetector(int address = 1)
    {
        clockMs = 0;
        return Detector(address, 9600, 7, [this] { return clockMs; });
    }

private slots:
    void readsDifferBetweenFlanks_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("limit") << int(codec::ReadLimit);
        QTest::newRow("gain") << int(codec::ReadGain);
        QTest::newRow("threshold") << int(codec::ReadThreshold);
        QTest::newRow("accumulation") << int(codec::ReadAccumulation);
        QTest::newRow("front") << int(codec::ReadFront);
        QTest::newRow("alarm time") << int(codec::ReadAlarmTime);
        QTest::newRow("self-test") << int(codec::ReadSelfTest);
    }
    void readsDifferBetweenFlanks()
    {
        QFETCH(int, code);
        Detector d = makeDetector();
        const QString one = onlyBody(d.receive(read(1, code, 1), 9600));
        const QString two = onlyBody(d.receive(read(1, code, 2), 9600));
        QCOMPARE(one.size(), codec::kSettingBodyLength);
        QCOMPARE(two.size(), codec::kSettingBodyLength);
        QCOMPARE(codec::TakeData(one, 1), code);
        QCOMPARE(codec::TakeData(two, 1), code);
        QVERIFY(codec::TakeData(one, 3) != codec::TakeData(two, 3));
        int lo = 0;
        int hi = 0;
        QVERIFY(sim::settingRange(code, &lo, &hi));
        for (const QString &b : {one, two}) {
            QVERIFY(codec::TakeData(b, 3) >= lo);
            QVERIFY(codec::TakeData(b, 3) <= hi);
        }
    }

    void writeStoresAndConfirms_data()
    {
        QTest::addColumn<int>("readCode");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("flank");
        QTest::addColumn<int>("value");
        QTest::newRow("limit 3, flank 1") << int(codec::ReadLimit) << int(Limit) << 1 << 3;
        QTest::newRow("limit 0, flank 2") << int(codec::ReadLimit) << int(Limit) << 2 << 0;
        QTest::newRow("gain 9, flank 1") << int(codec::ReadGain) << int(Gain) << 1 << 9;
        QTest::newRow("gain 1, flank 2") << int(codec::ReadGain) << int(Gain) << 2 << 1;
        QTest::newRow("threshold 0") << int(codec::ReadThreshold) << int(Threshold) << 1 << 0;
        QTest::newRow("threshold 13") << int(codec::ReadThreshold) << int(Threshold) << 2 << 13;
        QTest::newRow("accumulation 19")
            << int(codec::ReadAccumulation) << int(Accumulation) << 1 << 19;
        QTest::newRow("front 10") << int(codec::ReadFront) << int(Front) << 2 << 10;
        QTest::newRow("alarm time 1") << int(codec::ReadAlarmTime) << int(AlarmTime) << 1 << 1;
        QTest::newRow("self-test 50") << int(codec::ReadSelfTest) << int(SelfTest) << 2 << 50;
    }
    void writeStoresAndConfirms()
    {
        QFETCH(int, readCode);
        QFETCH(int, field);
        QFETCH(int, flank);
        QFETCH(int, value);
        Detector d = makeDetector();
        const int other = 3 - flank;
        const QByteArray otherBefore = d.receive(read(1, readCode, other), 9600);

        const int writeCode = readCode + 30;
        const QString confirm = onlyBody(d.receive(write(1, writeCode, flank, value), 9600));
        QCOMPARE(codec::TakeData(confirm, 1), writeCode);
        QCOMPARE(codec::TakeData(confirm, 3), value);
        QCOMPARE(fieldOf(d.settings(flank), field), value);

        const QString back = onlyBody(d.receive(read(1, readCode, flank), 9600));
        QCOMPARE(codec::TakeData(back, 1), readCode);
        QCOMPARE(codec::TakeData(back, 3), value);
        QCOMPARE(d.receive(read(1, readCode, other), 9600), otherBefore);
    }

    void outOfRangeWriteKeepsSetting_data()
    {
        QTest::addColumn<int>("writeCode");
        QTest::addColumn<int>("value");
        QTest::newRow("limit 4") << int(codec::WriteLimit) << 4;
        QTest::newRow("gain 0") << int(codec::WriteGain) << 0;
        QTest::newRow("gain 10") << int(codec::WriteGain) << 10;
        QTest::newRow("threshold 14") << int(codec::WriteThreshold) << 14;
        QTest::newRow("accumulation 0") << int(codec::WriteAccumulation) << 0;
        QTest::newRow("accumulation 20") << int(codec::WriteAccumulation) << 20;
        QTest::newRow("front 11") << int(codec::WriteFront) << 11;
        QTest::newRow("alarm time 0") << int(codec::WriteAlarmTime) << 0;
        QTest::newRow("self-test 51") << int(codec::WriteSelfTest) << 51;
        QTest::newRow("self-test 255") << int(codec::WriteSelfTest) << 255;
    }
    void outOfRangeWriteKeepsSetting()
    {
        QFETCH(int, writeCode);
        QFETCH(int, value);
        Detector d = makeDetector();
        const int before =
            codec::TakeData(onlyBody(d.receive(read(1, writeCode - 30, 1), 9600)), 3);
        const QString confirm = onlyBody(d.receive(write(1, writeCode, 1, value), 9600));
        QCOMPARE(codec::TakeData(confirm, 1), writeCode);
        QCOMPARE(codec::TakeData(confirm, 3), before);
        QCOMPARE(codec::TakeData(onlyBody(d.receive(read(1, writeCode - 30, 1), 9600)), 3), before);
    }

    void exactReplyText()
    {
        // Lower-case digits, code, value, sum of both, CR.
        Detector d = makeDetector();
        d.receive(write(1, codec::WriteGain, 1, 5), 9600);
        QCOMPARE(d.receive(read(1, codec::ReadGain, 1), 9600), QByteArray("!0f0514\r"));
        d.receive(write(1, codec::WriteSelfTest, 2, 50), 9600);
        QCOMPARE(d.receive(read(1, codec::ReadSelfTest, 2), 9600), QByteArray("!173249\r"));
    }

    void unitNumberRead_data()
    {
        QTest::addColumn<int>("address");
        QTest::newRow("1") << 1;
        QTest::newRow("17") << 17;
        QTest::newRow("128") << 128;
    }
    void unitNumberRead()
    {
        QFETCH(int, address);
        Detector d = makeDetector(address);
        const QByteArray req = codec::requestAddressOnly(address, codec::ReadUnitNumber).toLatin1();
        const QString body = onlyBody(d.receive(req, 9600));
        QCOMPARE(codec::TakeData(body, 1), int(codec::ReadUnitNumber));
        QCOMPARE(codec::TakeData(body, 3), address);
    }

    void statusLayout_data()
    {
        QTest::addColumn<int>("flank");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("tamper");
        for (bool tamper : {false, true}) {
            for (FlankState s : {FlankState::Norm, FlankState::Alarm, FlankState::Level,
                                 FlankState::Break, FlankState::Short}) {
                for (int flank : {1, 2}) {
                    const QString name = QStringLiteral("flank %1 %2%3")
                                             .arg(flank)
                                             .arg(sim::flankStateName(s))
                                             .arg(tamper ? " tamper open" : "");
                    QTest::newRow(qPrintable(name)) << flank << int(s) << tamper;
                }
            }
        }
    }
    void statusLayout()
    {
        QFETCH(int, flank);
        QFETCH(int, state);
        QFETCH(bool, tamper);
        Detector d = makeDetector();
        d.setFlankState(flank, FlankState(state));
        d.setTamperOpen(tamper);
        const double thresholdVolts = 0.7 + 0.1 * d.settings(flank).threshold;

        // Across more than one period of the slow wave.
        for (clockMs = 0; clockMs < 20000; clockMs += 730) {
            const QString body = onlyBody(d.receive(poll(1, flank), 9600));
            QCOMPARE(body.size(), codec::kStatusBodyLength);
            QCOMPARE(codec::TakeData(body, 1), int(codec::Status));
            QCOMPARE(codec::TakeData(body, 11), state | (tamper ? 16 : 0));
            QVERIFY(codec::TakeData(body, 5) <= 3);
            QVERIFY(codec::TakeData(body, 9) <= 3);
            const double signal = sample(body, 3);
            const double threshold = sample(body, 7);
            QVERIFY(qAbs(threshold - thresholdVolts * 51) <= 0.25);
            const double level1 = codec::TakeData(body, 13) / 51.0;
            const double level2 = codec::TakeData(body, 15) / 51.0;
            switch (FlankState(state)) {
            case FlankState::Alarm:
                QVERIFY2(signal > threshold, qPrintable(body));
                break;
            case FlankState::Norm:
            case FlankState::Level:
                QVERIFY2(signal < threshold && signal > 0, qPrintable(body));
                break;
            default:
                QVERIFY2(signal < 0.1 * 51, qPrintable(body));
                break;
            }
            switch (FlankState(state)) {
            case FlankState::Norm:
            case FlankState::Alarm:
                QVERIFY(qAbs(level1 - 2.5) < 0.1);
                QVERIFY(qAbs(level2 - 1.5) < 0.1);
                break;
            case FlankState::Level:
                QVERIFY(level1 > 4.0);
                break;
            case FlankState::Break:
                QCOMPARE(codec::TakeData(body, 13), 255);
                QCOMPARE(codec::TakeData(body, 15), 255);
                break;
            case FlankState::Short:
                QCOMPARE(codec::TakeData(body, 13), 0);
                QCOMPARE(codec::TakeData(body, 15), 0);
                break;
            }
        }
    }

    void signalMoves()
    {
        Detector d = makeDetector();
        QSet<int> seen;
        for (clockMs = 0; clockMs < 8000; clockMs += 500)
            seen.insert(codec::TakeData(onlyBody(d.receive(poll(1, 1), 9600)), 3));
        QVERIFY(seen.size() > 4);
    }

    void ignoredInput_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("speed");
        QTest::newRow("other address") << QByteArray("$020b010c\r") << 9600;
        QTest::newRow("address 0") << QByteArray("$000b010c\r") << 9600;
        QTest::newRow("wrong speed") << QByteArray("$010b010c\r") << 4800;
        QTest::newRow("next speed up") << QByteArray("$010b010c\r") << 19200;
        QTest::newRow("unreadable speed") << QByteArray("$010b010c\r") << 0;
        QTest::newRow("no end byte") << QByteArray("$010b0100\r") << 9600;
        QTest::newRow("odd digit count") << QByteArray("$010b010\r") << 9600;
        QTest::newRow("not hex") << QByteArray("$010b01zc\r") << 9600;
        QTest::newRow("unknown code") << QByteArray("$0163010c\r") << 9600;
        QTest::newRow("poll without flank") << QByteArray("$010b0c\r") << 9600;
        QTest::newRow("unit read with flank") << QByteArray("$0120010c\r") << 9600;
        QTest::newRow("write without value") << QByteArray("$012d010c\r") << 9600;
        QTest::newRow("flank 0") << QByteArray("$010b000c\r") << 9600;
        QTest::newRow("flank 3") << QByteArray("$010f030c\r") << 9600;
        QTest::newRow("no start") << QByteArray("010b010c\r") << 9600;
        QTest::newRow("no end") << QByteArray("$010b010c") << 9600;
        QTest::newRow("bare CR") << QByteArray("\r\r") << 9600;
        QTest::newRow("empty frame") << QByteArray("$\r") << 9600;
        QTest::newRow("a reply") << QByteArray("!0f0514\r") << 9600;
        QTest::newRow("too long") << QByteArray("$" + QByteArray(40, '0') + "\r") << 9600;
        QTest::newRow("cut by a new start") << QByteArray("$010b$\r") << 9600;
        QTest::newRow("binary noise") << QByteArray("\x00\xff$\x80\x0d\x24\x7f\x0d", 8) << 9600;
    }
    void ignoredInput()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, speed);
        Detector d = makeDetector();
        QCOMPARE(d.receive(input, speed), QByteArray());
        // Nothing is left behind that would spoil the next request.
        QCOMPARE(bodies(d.receive(poll(1, 1), 9600)).size(), 1);
    }

    void randomNoiseNeverAnswered()
    {
        Detector d = makeDetector();
        Detector noiseSource(1, 9600, 99);
        for (int i = 0; i < 200; ++i)
            QCOMPARE(d.receive(noiseSource.garbage(64), 9600), QByteArray());
    }

    void requestsInPieces_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QList<int>>("speeds");
        QTest::addColumn<int>("replies");
        QTest::newRow("byte by byte") << QList<QByteArray>{"$", "0", "1", "0b", "01", "0", "c\r"}
                                      << QList<int>{9600, 9600, 9600, 9600, 9600, 9600, 9600} << 1;
        QTest::newRow("two in one read")
            << QList<QByteArray>{"$010b010c\r$010f020c\r"} << QList<int>{9600} << 2;
        QTest::newRow("start at wrong speed")
            << QList<QByteArray>{"$010b", "010c\r"} << QList<int>{4800, 9600} << 0;
        QTest::newRow("end at wrong speed")
            << QList<QByteArray>{"$010b", "010c\r"} << QList<int>{9600, 4800} << 0;
        QTest::newRow("wrong speed, then right")
            << QList<QByteArray>{"$010b010c\r", "$010b010c\r"} << QList<int>{4800, 9600} << 1;
        QTest::newRow("CRLF between")
            << QList<QByteArray>{"$010b010c\r\n$010b020c\r\n"} << QList<int>{9600} << 2;
    }
    void requestsInPieces()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QList<int>, speeds);
        QFETCH(int, replies);
        Detector d = makeDetector();
        QByteArray out;
        for (int i = 0; i < chunks.size(); ++i)
            out += d.receive(chunks[i], speeds[i]);
        const QStringList b = bodies(out);
        QCOMPARE(b.size(), replies);
        for (const QString &body : b)
            QVERIFY(codec::replyCheckPasses(body));
    }

    void addressChange_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("flank");
        QTest::addColumn<int>("newAddress");
        QTest::newRow("to 1") << 0 << 1 << 1;
        QTest::newRow("to 5") << 4 << 1 << 5;
        QTest::newRow("to 5 via flank 2") << 4 << 2 << 5;
        QTest::newRow("to 128") << 127 << 1 << 128;
        QTest::newRow("128 refused") << 128 << 1 << 3;
    }
    void addressChange()
    {
        QFETCH(int, value);
        QFETCH(int, flank);
        QFETCH(int, newAddress);
        Detector d = makeDetector(3);
        clockMs = 5000;
        QCOMPARE(d.receive(write(3, codec::SetUnitNumber, flank, value), 9600), QByteArray());
        if (newAddress == 3) {
            QCOMPARE(bodies(d.receive(poll(3, 1), 9600)).size(), 1);
            return;
        }
        clockMs = 5500;
        QCOMPARE(d.receive(poll(newAddress, 1), 9600), QByteArray());
        QCOMPARE(d.receive(poll(3, 1), 9600), QByteArray());
        clockMs = 6100;
        QCOMPARE(d.receive(poll(3, 1), 9600), QByteArray());
        QCOMPARE(bodies(d.receive(poll(newAddress, 1), 9600)).size(), 1);
        const QByteArray unit =
            codec::requestAddressOnly(newAddress, codec::ReadUnitNumber).toLatin1();
        QCOMPARE(codec::TakeData(onlyBody(d.receive(unit, 9600)), 3), newAddress);
    }

    void remoteTest_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<bool>("tamper");
        QTest::newRow("from norm") << int(FlankState::Norm) << false;
        QTest::newRow("from break, tamper open") << int(FlankState::Break) << true;
        QTest::newRow("from short") << int(FlankState::Short) << false;
    }
    void remoteTest()
    {
        QFETCH(int, before);
        QFETCH(bool, tamper);
        Detector d = makeDetector();
        d.setFlankState(1, FlankState(before));
        d.setTamperOpen(tamper);
        const int t = tamper ? 16 : 0;
        clockMs = 1000;
        const QByteArray test = codec::requestAddressOnly(1, codec::RemoteTest).toLatin1();
        QCOMPARE(d.receive(test, 9600), QByteArray());
        for (qint64 at : {1100, 2500, 3900}) {
            clockMs = at;
            for (int flank : {1, 2})
                QCOMPARE(codec::TakeData(onlyBody(d.receive(poll(1, flank), 9600)), 11),
                         int(FlankState::Alarm) | t);
        }
        clockMs = 4100;
        QCOMPARE(codec::TakeData(onlyBody(d.receive(poll(1, 1), 9600)), 11), before | t);
        QCOMPARE(codec::TakeData(onlyBody(d.receive(poll(1, 2), 9600)), 11),
                 int(FlankState::Norm) | t);
        QCOMPARE(d.flankState(1), FlankState(before));
    }

    void commandsAccepted_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ok");
        QTest::newRow("flank 2 short") << "flank 2 short" << true;
        QTest::newRow("flank 3") << "flank 3 norm" << false;
        QTest::newRow("flank x") << "flank x norm" << false;
        QTest::newRow("unknown state") << "flank 1 burning" << false;
        QTest::newRow("flank no state") << "flank 1" << false;
        QTest::newRow("tamper open") << "tamper open" << true;
        QTest::newRow("tamper ajar") << "tamper ajar" << false;
        QTest::newRow("silence on") << "  silence   on " << true;
        QTest::newRow("silence alone") << "silence" << false;
        QTest::newRow("delivery random") << "delivery random" << true;
        QTest::newRow("delivery fast") << "delivery fast" << false;
        QTest::newRow("malformed") << "malformed" << true;
        QTest::newRow("badsum 20") << "badsum 20" << true;
        QTest::newRow("badsum 101") << "badsum 101" << false;
        QTest::newRow("badsum alone") << "badsum" << false;
        QTest::newRow("oor 17 20") << "oor 17 20" << true;
        QTest::newRow("oor 32 0") << "oor 32 0" << true;
        QTest::newRow("oor on status") << "oor 11 5" << false;
        QTest::newRow("oor value 256") << "oor 17 256" << false;
        QTest::newRow("garbage 0") << "garbage 0" << false;
        QTest::newRow("garbage x") << "garbage x" << false;
        QTest::newRow("every 3000") << "every 3000" << true;
        QTest::newRow("every -1") << "every -1" << false;
        QTest::newRow("unknown") << "explode" << false;
        QTest::newRow("blank") << "   " << true;
    }
    void commandsAccepted()
    {
        QFETCH(QString, line);
        QFETCH(bool, ok);
        Detector d = makeDetector();
        const sim::CommandResult r = sim::runCommand(d, line);
        QCOMPARE(r.ok, ok);
        QVERIFY(r.text.startsWith(ok ? "ok" : "error: "));
        QVERIFY(!r.quit);
        if (!ok) {
            // A refused command changes nothing.
            QCOMPARE(d.describe(), makeDetector().describe());
        }
    }

    void commandEffects()
    {
        Detector d = makeDetector();
        QVERIFY(sim::runCommand(d, "flank 2 short").ok);
        QVERIFY(sim::runCommand(d, "tamper open").ok);
        QCOMPARE(codec::TakeData(onlyBody(d.receive(poll(1, 2), 9600)), 11), 36 | 16);
        QCOMPARE(codec::TakeData(onlyBody(d.receive(poll(1, 1), 9600)), 11), 16);
        QVERIFY(sim::runCommand(d, "tamper closed").ok);
        QCOMPARE(codec::TakeData(onlyBody(d.receive(poll(1, 1), 9600)), 11), 0);

        QVERIFY(sim::runCommand(d, "silence on").ok);
        QCOMPARE(d.receive(poll(1, 1), 9600), QByteArray());
        QCOMPARE(d.receive(write(1, codec::WriteGain, 1, 2), 9600), QByteArray());
        QVERIFY(sim::runCommand(d, "silence off").ok);
        QCOMPARE(bodies(d.receive(poll(1, 1), 9600)).size(), 1);
        QVERIFY(d.settings(1).gain != 2);

        const QStringList describe = sim::runCommand(d, "status").text.split('\n');
        QCOMPARE(describe.size(), 3);
        QVERIFY(describe[0].startsWith("address 1, baud 9600"));
        QVERIFY(describe[2].startsWith("flank 2: short"));

        QVERIFY(sim::runCommand(d, "quit").quit);
    }

    void malformedOnce()
    {
        Detector d = makeDetector();
        QVERIFY(sim::runCommand(d, "malformed").ok);
        const QStringList bad = bodies(d.receive(poll(1, 1), 9600));
        QCOMPARE(bad.size(), 1);
        QCOMPARE(bad[0].size(), codec::kStatusBodyLength);
        QVERIFY(!codec::replyCheckPasses(bad[0]));
        QVERIFY(!onlyBody(d.receive(read(1, codec::ReadGain, 1), 9600)).startsWith('<'));
    }

    void badChecksumRate_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("fewestBad");
        QTest::addColumn<int>("mostBad");
        QTest::newRow("never") << 0 << 0 << 0;
        QTest::newRow("a fifth") << 20 << 60 << 140;
        QTest::newRow("always") << 100 << 500 << 500;
    }
    void badChecksumRate()
    {
        QFETCH(int, percent);
        QFETCH(int, fewestBad);
        QFETCH(int, mostBad);
        Detector d = makeDetector();
        QVERIFY(sim::runCommand(d, QStringLiteral("badsum %1").arg(percent)).ok);
        QCOMPARE(d.badChecksumPercent(), percent);
        int bad = 0;
        for (int i = 0; i < 500; ++i) {
            // Status and setting replies alike; a bad one keeps its length.
            const QByteArray request = i % 2 ? poll(1, 1) : read(1, codec::ReadGain, 2);
            const QStringList b = bodies(d.receive(request, 9600));
            QCOMPARE(b.size(), 1);
            QCOMPARE(b[0].size(), i % 2 ? codec::kStatusBodyLength : codec::kSettingBodyLength);
            if (!codec::replyCheckPasses(b[0]))
                ++bad;
        }
        QVERIFY2(bad >= fewestBad && bad <= mostBad, qPrintable(QString::number(bad)));
        QVERIFY(sim::runCommand(d, "badsum 0").ok);
        QVERIFY(!onlyBody(d.receive(poll(1, 1), 9600)).startsWith('<'));
    }

    void overrideValue_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("value");
        QTest::newRow("threshold 20") << 17 << read(1, 17, 1) << 20;
        QTest::newRow("limit 9") << 21 << read(1, 21, 2) << 9;
        QTest::newRow("unit 0") << 32 << codec::requestAddressOnly(1, 32).toLatin1() << 0;
        QTest::newRow("unit 200") << 32 << codec::requestAddressOnly(1, 32).toLatin1() << 200;
        QTest::newRow("confirmation") << 45 << write(1, 45, 1, 3) << 77;
    }
    void overrideValue()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, request);
        QFETCH(int, value);
        Detector d = makeDetector();
        QVERIFY(sim::runCommand(d, QStringLiteral("oor %1 %2").arg(code).arg(value)).ok);
        // Another code's reply is not touched.
        const QString gain = onlyBody(d.receive(read(1, 15, 1), 9600));
        QCOMPARE(codec::TakeData(gain, 3), d.settings(1).gain);
        const QString once = onlyBody(d.receive(request, 9600));
        QCOMPARE(codec::TakeData(once, 1), code);
        QCOMPARE(codec::TakeData(once, 3), value);
        const QString after = onlyBody(d.receive(request, 9600));
        QVERIFY(codec::TakeData(after, 3) != value);
    }

    void garbageCommand()
    {
        Detector d = makeDetector();
        const sim::CommandResult r = sim::runCommand(d, "garbage 500");
        QVERIFY(r.ok);
        QCOMPARE(r.send.size(), 500);
        QVERIFY(!r.send.contains('!'));
        // Enough bytes that every other value turns up, flow control never.
        const QByteArray lots = d.garbage(4096);
        QCOMPARE(lots.size(), 4096);
        QVERIFY(!lots.contains('!'));
        QVERIFY(!lots.contains(Detector::kXon));
        QVERIFY(!lots.contains(Detector::kXoff));
        QVERIFY(lots.contains('\r'));
    }

    void everyLimitsAnswers_data()
    {
        QTest::addColumn<int>("every");
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<QList<bool>>("answered");
        QTest::newRow("0 answers all")
            << 0 << QList<int>{0, 10, 20} << QList<bool>{true, true, true};
        QTest::newRow("3000") << 3000 << QList<int>{100, 1000, 2999, 3100, 3200, 6100}
                              << QList<bool>{true, false, false, true, false, true};
    }
    void everyLimitsAnswers()
    {
        QFETCH(int, every);
        QFETCH(QList<int>, times);
        QFETCH(QList<bool>, answered);
        Detector d = makeDetector();
        QVERIFY(sim::runCommand(d, QStringLiteral("every %1").arg(every)).ok);
        for (int i = 0; i < times.size(); ++i) {
            clockMs = times[i];
            QCOMPARE(bodies(d.receive(poll(1, 1), 9600)).size(), answered[i] ? 1 : 0);
        }
    }

    void deliveryPieces_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<QByteArray>("reply");
        const QByteArray status("!0b4c01320124ffff2d\r");
        for (quint32 seed : {1u, 2u, 3u, 40u, 500u}) {
            QTest::addRow("whole %u", seed) << int(sim::Delivery::Whole) << seed << status;
            QTest::addRow("char %u", seed) << int(sim::Delivery::Char) << seed << status;
            QTest::addRow("random %u", seed) << int(sim::Delivery::Random) << seed << status;
        }
        QTest::newRow("random, two bytes") << int(sim::Delivery::Random) << 9u << QByteArray("!\r");
        QTest::newRow("random, one byte") << int(sim::Delivery::Random) << 9u << QByteArray("\r");
    }
    void deliveryPieces()
    {
        QFETCH(int, mode);
        QFETCH(quint32, seed);
        QFETCH(QByteArray, reply);
        QRandomGenerator rng(seed);
        const QList<sim::Piece> pieces = sim::splitForDelivery(reply, sim::Delivery(mode), rng);
        QByteArray joined;
        for (const sim::Piece &p : pieces) {
            QVERIFY(!p.bytes.isEmpty());
            joined += p.bytes;
        }
        QCOMPARE(joined, reply);
        QCOMPARE(pieces.first().delayMs, 0);
        for (int i = 1; i < pieces.size(); ++i) {
            QVERIFY(pieces[i].delayMs > 0);
            QVERIFY(pieces[i].delayMs < 20);
        }
        switch (sim::Delivery(mode)) {
        case sim::Delivery::Whole:
            QCOMPARE(pieces.size(), 1);
            break;
        case sim::Delivery::Char:
            QCOMPARE(pieces.size(), reply.size());
            break;
        case sim::Delivery::Random:
            QVERIFY(pieces.size() <= 4);
            if (reply.size() > 1)
                QVERIFY(pieces.size() >= 2);
            break;
        }
    }
};

QTEST_GUILESS_MAIN(TestSimDetector)
#include "test_sim_detector.moc"
