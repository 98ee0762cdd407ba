#include "link/codec.h"
#include "link/protocol.h"
#include "sim/commands.h"
#include "sim/detector.h"
#include "sim/simhost.h"

#include <QtTest>

using sim::Detector, sim::FlankState;

class TestSimDetector : public QObject {
    Q_OBJECT

    static QByteArray req(int address, int code, int flank = 0, int value = -1)
    {
        return (flank == 0  ? codec::requestAddressOnly(address, code)
                : value < 0 ? codec::requestForFlank(address, code, flank)
                            : codec::requestWithValue(address, code, flank, value))
            .toLatin1();
    }
    static QByteArray poll(int address, int flank)
    {
        return req(address, protocol::kStatus, flank);
    }

    // The bodies of the replies in out, each "!" + body + CR; onlyBody: the one valid reply.
    static QStringList bodies(const QByteArray &out)
    {
        QStringList list;
        for (const QByteArray &part : out.split('\r'))
            if (!part.isEmpty())
                list << QString::fromLatin1(part.startsWith('!') ? part.mid(1) : "<" + part);
        return out.isEmpty() || out.endsWith('\r') ? list : QStringList{"<unterminated>"};
    }
    static QString onlyBody(const QByteArray &out)
    {
        const QStringList b = bodies(out);
        return b.size() == 1 && codec::replyCheckPasses(b[0]) ? b[0] : "<" + b.join('|') + ">";
    }
    static int byteAt(const QByteArray &out, int pos = 3)
    {
        return codec::byteAt(onlyBody(out), pos);
    }

    qint64 clockMs = 0;
    Detector makeDetector(int address = 1)
    {
        clockMs = 0;
        return Detector(address, 9600, 7, [this] { return clockMs; });
    }

private slots:
    // Setting reads and the replies they get, byte for byte: lower-case hex,
    // the request's code, the value, the sum. The defaults differ per flank
    // (gain 5 and 6, limit 1 and 2). Writes, refusals and every setting's
    // range are walked against the catalogue in test_sim_settings.
    void settingFrames_data()
    {
        QTest::addColumn<QByteArrayList>("requests");
        QTest::addColumn<QByteArray>("replies");
        QTest::newRow("gain read, flank 1")
            << QByteArrayList{"$010f010c\r"} << QByteArray("!0f0514\r");
        QTest::newRow("limit read, flank 2")
            << QByteArrayList{"$0115020c\r"} << QByteArray("!150217\r");
    }
    void settingFrames()
    {
        QFETCH(QByteArrayList, requests);
        QFETCH(QByteArray, replies);
        Detector d = makeDetector();
        QByteArray out;
        for (const QByteArray &request : requests)
            out += d.receive(request, 9600);
        QCOMPARE(out, replies);
    }

    // Status replies over a wave period: the state byte, the threshold word
    // (four times the counts, 51 counts to the volt), a signal above the
    // threshold exactly in alarm, and the levels. The threshold byte is the
    // flank's default (8 and 6: 1,5 and 1,3 V) unless the row sets one.
    void statusLayout_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("flank");
        QTest::addColumn<bool>("tamper");
        QTest::addColumn<int>("thresholdByte");  // -1: the default
        QTest::addColumn<int>("thresholdWord");
        auto add = [](const char *name, FlankState s, int flank, bool tamper, int byte, int word) {
            QTest::newRow(name) << int(s) << flank << tamper << byte << word;
        };
        add("norm, flank 1, 1,5 V", FlankState::Norm, 1, false, -1, 306);
        add("norm, flank 2, 1,3 V, tamper open", FlankState::Norm, 2, true, -1, 265);
        add("alarm, flank 1, 0,7 V", FlankState::Alarm, 1, false, 0, 143);
        add("alarm, flank 2, 2 V, tamper open", FlankState::Alarm, 2, true, 13, 408);
        add("short, flank 1", FlankState::Short, 1, false, -1, 306);
    }
    void statusLayout()
    {
        QFETCH(int, state);
        QFETCH(int, flank);
        QFETCH(bool, tamper);
        QFETCH(int, thresholdByte);
        QFETCH(int, thresholdWord);
        const FlankState s = FlankState(state);
        const bool alarm = s == FlankState::Alarm;
        Detector d = makeDetector();
        d.setFlankState(flank, s);
        d.setTamperOpen(tamper);
        if (thresholdByte >= 0)
            d.settings(flank).threshold = thresholdByte;
        const double threshold = thresholdWord / 4.0;         // counts
        for (clockMs = 0; clockMs < 20000; clockMs += 730) {  // over a wave period
            const QString b = onlyBody(d.receive(poll(1, flank), 9600));
            auto at = [&](int pos) { return codec::byteAt(b, pos); };
            QVERIFY(b.size() == protocol::kStatusBodyLength && at(1) == protocol::kStatus);
            QCOMPARE(at(11), int(s) | (tamper ? 16 : 0));
            QCOMPARE(at(7) + 256 * at(9), thresholdWord);
            const double signal = at(3) / 4.0 + at(5) * 64.0;
            if (s == FlankState::Short)
                QVERIFY2(signal < 0.1 * 51 && at(13) + at(15) == 0, qPrintable(b));
            else
                QVERIFY2(alarm == (signal > threshold) && signal > 0 &&
                             qAbs(at(13) / 51.0 - 2.5) < 0.1 && qAbs(at(15) / 51.0 - 1.5) < 0.1,
                         qPrintable(b));
        }
    }

    void input_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("replies");
        QTest::newRow("poll") << QByteArray("$010b010c\r") << 9600 << 1;
        QTest::newRow("two, CRLF") << QByteArray("$010b010c\r\n$010f020c\r\n") << 9600 << 2;
        QTest::newRow("other address") << QByteArray("$020b010c\r") << 9600 << 0;
        QTest::newRow("wrong speed") << QByteArray("$010b010c\r") << 4800 << 0;
        QTest::newRow("bad sum") << QByteArray("$010b0100\r") << 9600 << 0;
        QTest::newRow("not hex") << QByteArray("$010b01zc\r") << 9600 << 0;
        QTest::newRow("unknown code") << QByteArray("$0163010c\r") << 9600 << 0;
        QTest::newRow("flank 3") << QByteArray("$010f030c\r") << 9600 << 0;
        QTest::newRow("a reply") << QByteArray("!0f0514\r") << 9600 << 0;
        QTest::newRow("too long") << QByteArray("$" + QByteArray(40, '0') + "\r") << 9600 << 0;
        QTest::newRow("binary") << QByteArray("\x00\xff$\x80\x0d\x24\x7f\x0d", 8) << 9600 << 0;
    }
    void input()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, speed);
        QFETCH(int, replies);
        for (int step : {int(input.size()), 1}) {  // whole, then byte by byte
            Detector d = makeDetector();
            QByteArray out;
            for (int i = 0; i < input.size(); i += step)
                out += d.receive(input.mid(i, step), speed);
            QCOMPARE(bodies(out).size(), replies);
            for (const QString &body : bodies(out))
                QVERIFY(codec::replyCheckPasses(body));
            QCOMPARE(bodies(d.receive(poll(1, 1), 9600)).size(), 1);  // nothing left behind
        }
        const QByteArray noise = Detector(1, 9600, 99).garbage(4000);
        for (char c : {'!', Detector::kXon, Detector::kXoff})
            QVERIFY(!noise.contains(c));
        QCOMPARE(makeDetector().receive(noise, 9600), QByteArray());
    }

    void addressChange()
    {
        Detector d = makeDetector(3);
        clockMs = 5000;
        QCOMPARE(d.receive(req(3, protocol::kSetUnitNumber, 2, 127), 9600), QByteArray());
        clockMs = 5500;  // silent while it restarts
        QCOMPARE(d.receive(poll(128, 1), 9600) + d.receive(poll(3, 1), 9600), "");
        clockMs = 6100;
        QCOMPARE(d.receive(poll(3, 1), 9600), QByteArray());
        QCOMPARE(d.receive(req(128, protocol::kSetUnitNumber, 1, 128), 9600),
                 QByteArray());  // refused
        const QByteArray unit = d.receive(req(128, protocol::kReadUnitNumber), 9600);
        QCOMPARE(onlyBody(unit), "2080a0");  // unit number read
    }

    void remoteTest()
    {
        Detector d = makeDetector();
        d.setFlankState(1, FlankState::Break);
        d.setTamperOpen(true);
        clockMs = 1000;
        QCOMPARE(d.receive(req(1, protocol::kRemoteTest), 9600), QByteArray());
        for (qint64 at : {1100, 3900}) {
            clockMs = at;
            for (int flank : {1, 2})
                QCOMPARE(byteAt(d.receive(poll(1, flank), 9600), 11), int(FlankState::Alarm) | 16);
        }
        clockMs = 4100;
        QCOMPARE(byteAt(d.receive(poll(1, 1), 9600), 11), int(FlankState::Break) | 16);
        QCOMPARE(byteAt(d.receive(poll(1, 2), 9600), 11), 16);
    }

    void commands_data()
    {
        // Per request, 1.1 s apart: "-" none, "bad" bad sum, "ok", "pos=v" / "pos!v".
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QStringList>("expect");
        const QByteArray p = poll(1, 1);
        QTest::newRow("silence") << "  silence   on " << p << QStringList{"-", "-"};
        QTest::newRow("badsum") << "badsum 100" << p << QStringList{"bad", "bad"};
        QTest::newRow("badsum 101 refused") << "badsum 101" << p << QStringList{"ok"};
        QTest::newRow("oor") << "oor 17 20" << req(1, 17, 1) << QStringList{"3=20", "3!20"};
        QTest::newRow("oor on status refused") << "oor 11 5" << p << QStringList{"ok"};
        QTest::newRow("every") << "every 3000" << p << QStringList{"ok", "-", "-", "ok"};
        QTest::newRow("flank") << "flank 2 short" << poll(1, 2) << QStringList{"11=36"};
        QTest::newRow("tamper") << "tamper open" << p << QStringList{"11=16"};
        QTest::newRow("unknown refused") << "explode" << p << QStringList{"ok"};
    }
    void commands()
    {
        QFETCH(QString, line);
        const bool ok = !QByteArray(QTest::currentDataTag()).contains("refused");
        QFETCH(QByteArray, request);
        QFETCH(QStringList, expect);
        Detector d = makeDetector();
        const sim::CommandResult r = sim::runCommand(d, line);
        QVERIFY2(r.ok == ok && r.text.startsWith(ok ? "ok" : "error: "), qPrintable(r.text));
        QVERIFY(ok || d.describe() == makeDetector().describe());  // refused: nothing changed
        for (int i = 0; i < expect.size(); ++i) {
            clockMs = 100 + 1100 * i;
            const QString &e = expect[i];
            const QByteArray out = d.receive(request, 9600);
            const QStringList pv = e.split(QRegularExpression("[=!]"));
            if (e == "-" || e == "bad") {
                QVERIFY(bodies(out).size() == (e == "bad") && onlyBody(out).startsWith('<'));
                continue;
            }
            QVERIFY2(!onlyBody(out).startsWith('<'), out.constData());
            QVERIFY(pv.size() < 2 ||
                    (byteAt(out, pv[0].toInt()) == pv[1].toInt()) == e.contains('='));
        }
    }

    // Address lists of --addresses: what is accepted, in which order, and
    // what is refused with which reason.
    void addressLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("addresses");  // empty: refused
        QTest::addColumn<QString>("why");
        QTest::newRow("both ends of the bus") << "0,128" << QList<int>{0, 128} << "";
        QTest::newRow("range and single") << "1-4,20" << QList<int>{1, 2, 3, 4, 20} << "";
        QTest::newRow("order kept, spaces") << " 9 , 2-3" << QList<int>{9, 2, 3} << "";
        QTest::newRow("empty") << "" << QList<int>{} << "not an address";
        QTest::newRow("above the bus") << "129" << QList<int>{} << "\"129\"";
        QTest::newRow("range above the bus") << "120-130" << QList<int>{} << "\"120-130\"";
        QTest::newRow("open range") << "3-" << QList<int>{} << "not an address";
        QTest::newRow("word") << "all" << QList<int>{} << "\"all\"";
        QTest::newRow("backwards") << "9-3" << QList<int>{} << "backwards";
        QTest::newRow("twice") << "4,4" << QList<int>{} << "address 4 is listed twice";
    }
    void addressLists()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, addresses);
        QFETCH(QString, why);
        QList<int> got{-1};
        QString error;
        const bool ok = sim::parseAddressList(text, &got, &error);
        QCOMPARE(ok, !addresses.isEmpty());
        if (ok)
            QCOMPARE(got, addresses);
        else
            QVERIFY2(error.contains(why), qPrintable(error));
    }

    // On a shared line a frame for another address is ignored as such even by
    // a silent or restarting detector; alone, the detector says what it says
    // today.
    void sharedLineReasons_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("reason");
        QTest::newRow("alone, silent, other address") << false << "silence on" << 2 << "silence on";
        QTest::newRow("shared, silent, other address")
            << true << "silence on" << 2 << "other address";
        QTest::newRow("shared, silent, own address") << true << "silence on" << 1 << "silence on";
        QTest::newRow("shared, other address") << true << "" << 2 << "other address";
    }
    void sharedLineReasons()
    {
        QFETCH(bool, shared);
        QFETCH(QString, command);
        QFETCH(int, address);
        QFETCH(QString, reason);
        Detector d = makeDetector();
        d.setSharedLine(shared);
        QStringList notes;
        d.setTrace([&](const QString &what) { notes << what; });
        QVERIFY(sim::runCommand(d, command).ok);
        QCOMPARE(d.receive(poll(address, 1), 9600), QByteArray());
        QCOMPARE(notes.size(), 1);
        QVERIFY2(notes[0].endsWith("ignored: " + reason), qPrintable(notes[0]));
    }

    // Commands on a line of detectors at 3 and 7 (none opened: commands need
    // no terminal): a leading address picks the detector, none picks the
    // first listed, and only the picked one changes.
    void commandsWithAddress_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("changed");  // the address whose status changes, 0: none
        QTest::newRow("flank at 7") << "7 flank 1 alarm" << true << 7;
        QTest::newRow("late at 7") << "7 late 65" << true << 7;
        QTest::newRow("tamper at 3") << "3 tamper open" << true << 3;
        QTest::newRow("no address: the first listed") << "flank 2 break" << true << 3;
        QTest::newRow("late out of range") << "7 late 1001" << false << 0;
        QTest::newRow("address not on the line") << "9 flank 1 alarm" << false << 0;
        QTest::newRow("address alone") << "7" << false << 0;
        QTest::newRow("bad command at 7") << "7 explode" << false << 0;
    }
    void commandsWithAddress()
    {
        QFETCH(QString, line);
        QFETCH(bool, ok);
        QFETCH(int, changed);
        sim::SimHost host(QList<int>{3, 7}, 9600, 1);
        QCOMPARE(host.detectorCount(), 2);
        QCOMPARE(host.detector().address(), 3);
        const QString before3 = host.detectorAt(3)->describe();
        const QString before7 = host.detectorAt(7)->describe();
        QCOMPARE(before3.section('\n', 1), before7.section('\n', 1));  // same defaults
        const sim::CommandResult r = host.command(line);
        QCOMPARE(r.ok, ok);
        QCOMPARE(r.text.startsWith("error: "), !ok);
        QCOMPARE(host.detectorAt(3)->describe() != before3, changed == 3);
        QCOMPARE(host.detectorAt(7)->describe() != before7, changed == 7);
    }

    void statusOfAnAddress()
    {
        sim::SimHost host(QList<int>{3, 7}, 9600, 1);
        QVERIFY(host.command("7 late 65").ok);
        QVERIFY(host.command("status").text.startsWith("address 3, "));
        const QString at7 = host.command("7 status").text;
        QVERIFY2(at7.startsWith("address 7, ") && at7.contains(", late 65 ms"), qPrintable(at7));
        QVERIFY(!host.command("status").text.contains("late"));
    }

    void help()
    {
        // help lists one known command per line, and the same commands as the
        // table in the README, which tells users to type it.
        Detector d = makeDetector();
        const sim::CommandResult r = sim::runCommand(d, "help");
        QVERIFY(r.ok && r.send.isEmpty() && !r.quit);
        QStringList lines = r.text.split('\n');
        lines.removeFirst();  // the heading
        QStringList listed;
        for (const QString &line : lines) {
            const QStringList w = line.simplified().split(' ');
            QVERIFY2(w.size() >= 2, qPrintable(line));  // a name and a description
            Detector fresh = makeDetector();
            QVERIFY2(!sim::runCommand(fresh, w[0]).text.contains("unknown"), qPrintable(line));
            listed << w[0];
        }
        QFile readme(VERKAN_SIM_README);
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        QStringList documented;
        const QRegularExpression row("^\\| `(\\w+)[^`]*` \\|", QRegularExpression::MultilineOption);
        for (const auto &m :
             row.globalMatch(text.section("## Commands", 1, 1).section("\n## ", 0, 0)))
            documented << m.captured(1);
        QCOMPARE(listed, documented);
        QVERIFY(listed.contains("help"));
    }
};

QTEST_GUILESS_MAIN(TestSimDetector)
#include "test_sim_detector.moc"
