// The exchange engine on a fake serial line, stepped tick by tick: start-up
// sequence, mailbox, flank change, reply dispatch, watchdog and line faults.
#include "link/exchange.h"
#include "link/protocol.h"
#include "support/fakeserialport.h"
#include "support/replies.h"

#include <QHash>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSlot = protocol::kTicksPerSlot;
const QByteArray kGainReply = "!0f0514\r";  // gain 5
const QByteArray kRemoteTest = "$01030c\r";

QByteArray hex(int byte)
{
    return QByteArray::number(byte, 16).rightJustified(2, '0');
}
// A request as the detector expects it: "$", address, code, flank, 12, CR.
QByteArray request(int address, int code, int flank = -1)
{
    return '$' + hex(address) + hex(code) + (flank < 0 ? QByteArray() : hex(flank)) + "0c\r";
}
QByteArray poll(int address, int flank)
{
    return request(address, 0x0b, flank);
}
// The read-back after a found speed or a flank change: limit, gain,
// threshold, accumulation, front, alarm time, self-test.
QByteArrayList readBack(int address, int flank)
{
    QByteArrayList frames;
    for (int code : {0x15, 0x0f, 0x11, 0x13, 0x14, 0x16, 0x17})
        frames << request(address, code, flank);
    return frames;
}

// An exchange on a fake line; its signals are written down as text.
struct Rig {
    FakeSerialPort port;
    Exchange exchange{port};
    QStringList log;

    Rig()
    {
        port.openable = {1};
        Exchange *e = &exchange;
        QObject::connect(e, &Exchange::linkAlive, [this] { log << u"alive"_s; });
        QObject::connect(e, &Exchange::speedFound, [this](int b) { log << u"speed %1"_s.arg(b); });
        QObject::connect(e, &Exchange::portReset, [this] { log << u"reset"_s; });
        QObject::connect(e, &Exchange::linkLost, [this] { log << u"lost"_s; });
        QObject::connect(e, &Exchange::stopped, [this] { log << u"stopped"_s; });
        QObject::connect(e, &Exchange::settingReceived, [this](int code, int value) {
            log << u"setting %1 %2"_s.arg(code).arg(value);
        });
        QObject::connect(e, &Exchange::statusReceived, [this](const StatusReading &r) {
            log << u"status %1 %2 %3%4 %5 %6"_s.arg(r.signal)
                       .arg(r.threshold)
                       .arg(r.flankCode())
                       .arg(r.tamperOpen() ? u"T"_s : QString())
                       .arg(r.level1)
                       .arg(r.level2);
        });
    }
    bool active(const char *timer) const
    {
        return exchange.findChild<QTimer *>(QLatin1String(timer))->isActive();
    }
    // What was written during `count` slots.
    QByteArrayList run(int count)
    {
        const qsizetype from = port.written.size();
        for (int i = 0; i < count * kSlot; ++i)
            exchange.tick();
        return port.written.mid(from);
    }
    // Port and timers: "open xon T1 T5", or "on" for short.
    QString state() const
    {
        QStringList s{port.isOpen() ? u"open"_s : u"closed"_s};
        if (port.isOpen() && port.softwareFlowControl())
            s << u"xon"_s;
        if (active("Timer1"))
            s << u"T1"_s;
        if (active("Timer5"))
            s << u"T5"_s;
        return s.size() == 4 ? u"on"_s : s.join(u' ');
    }
};

}  // namespace

class ExchangeTest : public QObject {
    Q_OBJECT
private slots:
    void startup_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("flank");
        QTest::addColumn<int>("answeredAfter");  // slots before the detector answers; 0: never
        QTest::addColumn<QList<int>>("bauds");   // after the default speed of the idle port
        QTest::newRow("no answer")
            << 1 << 1 << 0 << QList<int>{4800, 9600, 19200, 38400, 57600, 115200};
        QTest::newRow("4800") << 1 << 1 << 1 << QList<int>{4800};
        QTest::newRow("19200, address 5, flank 2") << 5 << 2 << 3 << QList<int>{4800, 9600, 19200};
        QTest::newRow("115200") << 128 << 1 << 6
                                << QList<int>{4800, 9600, 19200, 38400, 57600, 115200};
    }
    void startup()
    {
        QFETCH(int, address);
        QFETCH(int, flank);
        QFETCH(int, answeredAfter);
        QFETCH(QList<int>, bauds);
        Rig rig;
        QVERIFY(rig.exchange.start(PortDescription::comPort(1), address, flank).started);
        QCOMPARE(rig.state(), u"on"_s);
        // One frame every sixth tick, whatever happens in between.
        for (int tick = 1; tick <= 16 * kSlot; ++tick) {
            rig.exchange.tick();
            QCOMPARE(rig.port.written.size(), tick / kSlot);
            if (tick == answeredAfter * kSlot)
                rig.port.deliver(kGainReply);
        }
        QByteArrayList expected(answeredAfter ? answeredAfter : 6, request(address, 0x0f, flank));
        expected << readBack(address, flank) << request(address, 0x20);
        while (expected.size() < 16)
            expected << poll(address, flank);
        QCOMPARE(rig.port.written, expected);
        QCOMPARE(rig.port.baudHistory, QList<int>{kDefaultBaud} + bauds);
        const QStringList heard{u"alive"_s, u"speed %1"_s.arg(bauds.last()), u"setting 15 5"_s};
        QCOMPARE(rig.log, answeredAfter ? heard : QStringList());
    }
    // Each speed of the search is announced as it is set, with its probe
    // written at that speed; a found speed or a flank change ends the
    // announcements, and every start searches again from the first speed.
    void speedsAnnounced_data()
    {
        QTest::addColumn<int>("fixedBaud");      // 0: every speed is searched
        QTest::addColumn<int>("answeredAfter");  // slots before the detector answers; 0: never
        QTest::addColumn<int>("flankAfter");     // slots before a flank change; 0: none
        QTest::addColumn<QList<int>>("announced");
        QTest::newRow("no answer")
            << 0 << 0 << 0 << QList<int>{4800, 9600, 19200, 38400, 57600, 115200};
        QTest::newRow("answer at 19200") << 0 << 3 << 0 << QList<int>{4800, 9600, 19200};
        QTest::newRow("flank changed at 9600") << 0 << 0 << 2 << QList<int>{4800, 9600};
        QTest::newRow("fixed speed") << 38400 << 0 << 0 << QList<int>{38400};
    }
    void speedsAnnounced()
    {
        QFETCH(int, fixedBaud);
        QFETCH(int, answeredAfter);
        QFETCH(int, flankAfter);
        QFETCH(QList<int>, announced);
        Rig rig;
        rig.exchange.setFixedSpeed(fixedBaud);
        // "announced speed/speed of the port/frames written" at each announcement.
        QStringList heard;
        QObject::connect(&rig.exchange, &Exchange::speedTried, [&](int baud) {
            heard << u"%1/%2/%3"_s.arg(baud).arg(rig.port.baudRate()).arg(rig.port.written.size());
        });
        for (int run = 0; run < 2; ++run) {
            heard.clear();
            const qsizetype before = rig.port.written.size();
            QVERIFY(rig.exchange.start(PortDescription::comPort(1), 1, 1).started);
            for (int slot = 1; slot <= 20; ++slot) {
                rig.run(1);
                if (slot == answeredAfter)
                    rig.port.deliver(kGainReply);
                if (slot == flankAfter)
                    rig.exchange.changeFlank(2);
            }
            QStringList expected;
            for (qsizetype i = 0; i < announced.size(); ++i)
                expected << u"%1/%1/%2"_s.arg(announced[i]).arg(before + i + 1);
            QCOMPARE(heard, expected);
            rig.exchange.stop();
        }
    }
    void startFailureLeavesEverythingStopped_data()
    {
        QTest::addColumn<int>("portNumber");
        QTest::addColumn<SerialPortService::OpenError>("error");
        QTest::newRow("no such port") << 4 << SerialPortService::OpenError::NoSuchPort;
        QTest::newRow("busy") << 2 << SerialPortService::OpenError::Busy;
    }
    void startFailureLeavesEverythingStopped()
    {
        QFETCH(int, portNumber);
        QFETCH(SerialPortService::OpenError, error);
        Rig rig;
        rig.port.busy = {2};
        const Exchange::StartResult result =
            rig.exchange.start(PortDescription::comPort(portNumber), 1, 1);
        QVERIFY(!result.started);
        QCOMPARE(result.error, error);
        QVERIFY(!rig.exchange.isRunning());
        QCOMPARE(rig.state(), u"closed"_s);
        QVERIFY(rig.port.written.isEmpty());
        QCOMPARE(rig.port.baudHistory, QList<int>{kDefaultBaud});
        QVERIFY(rig.log.isEmpty());
    }
    void mailbox_data()
    {
        QTest::addColumn<int>("queuedAfter");  // slots after the start; -1: before it
        QTest::addColumn<int>("times");
        QTest::addColumn<QByteArrayList>("frames");  // of the three slots after the start-up
        // The mailbox holds one frame: a newer one replaces the unit-number read.
        const QByteArrayList remoteTest{kRemoteTest, poll(1, 1), poll(1, 1)};
        QTest::newRow("during start-up") << 4 << 1 << remoteTest;
        QTest::newRow("count saturates, sent once") << 13 << 40000 << remoteTest;
        QTest::newRow("before the start: replaced")
            << -1 << 1 << QByteArrayList{request(1, 0x20), poll(1, 1), poll(1, 1)};
    }
    void mailbox()
    {
        QFETCH(int, queuedAfter);
        QFETCH(int, times);
        QFETCH(QByteArrayList, frames);
        Rig rig;
        auto queue = [&] {
            for (int i = 0; i < times; ++i)
                rig.exchange.queueRequest(QString::fromLatin1(kRemoteTest));
            QVERIFY(rig.exchange.scheduler().mailboxCount() <= Scheduler::kMailboxCountLimit);
        };
        if (queuedAfter < 0)
            queue();
        rig.exchange.start(PortDescription::comPort(1), 1, 1);
        const int before = std::max(queuedAfter, 0);
        QByteArrayList startup = rig.run(before);
        if (queuedAfter >= 0)
            queue();
        startup += rig.run(13 - before);
        QVERIFY(!startup.contains(kRemoteTest));  // the start-up sequence comes first
        QCOMPARE(rig.run(3), frames);
    }
    void flankChange_data()
    {
        QTest::addColumn<int>("answeredAfter");  // 0: no answer
        QTest::addColumn<int>("changedAfter");
        QTest::addColumn<QByteArrayList>("frames");  // the nine slots after the change
        QTest::newRow("steady exchange")
            << 3 << 15 << readBack(1, 2) + QByteArrayList{poll(1, 2), poll(1, 2)};
        QTest::newRow("during the read-back")
            << 3 << 5 << readBack(1, 2) + QByteArrayList{request(1, 0x20), poll(1, 2)};
        QTest::newRow("during the speed search ends it")
            << 0 << 2 << readBack(1, 2) + QByteArrayList{request(1, 0x20), poll(1, 2)};
    }
    void flankChange()
    {
        QFETCH(int, answeredAfter);
        QFETCH(int, changedAfter);
        QFETCH(QByteArrayList, frames);
        Rig rig;
        rig.exchange.start(PortDescription::comPort(1), 1, 1);
        if (answeredAfter) {
            rig.run(answeredAfter);
            rig.port.deliver(kGainReply);
        }
        rig.run(changedAfter - answeredAfter);
        const QList<int> bauds = rig.port.baudHistory;
        rig.exchange.changeFlank(2);
        QCOMPARE(rig.run(9), frames);
        QCOMPARE(rig.port.baudHistory, bauds);  // no more speed changes
    }
    void dispatch_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");  // receive events
        QTest::addColumn<QString>("heard");
        auto add = [](const char *name, const QByteArrayList &chunks, const QString &heard) {
            QTest::newRow(name) << chunks << heard;
        };
        // signal 0x01 / 4 + 0x20 * 64, threshold 2 / 4, state 0x14: cable break, tamper open
        const QByteArray status = replyFrame(11, {0x01, 0x20, 0x02, 0x00, 0x14, 0x80, 0x50});
        const QString statusHeard = u"alive, status 2048.25 0.5 4T 128 80"_s;
        add("status", {status}, statusHeard);
        add("status in upper case", {status.toUpper()}, statusHeard);
        add("status split, then stray CRs", {status.left(9), status.mid(9), "\r", "\r\r"},
            statusHeard);
        // Only a body that passes every check is the detector answering.
        add("! then CR", {"!", "\r"}, QString());
        add("echoed request, CR with no body", {"$010b010c\r", "\r"}, QString());
        add("frames in one event", {replyFrame(21, {1}) + replyFrame(32, {128}) + "!0f05", "14\r"},
            u"alive, setting 21 1, alive, setting 32 128, alive, setting 15 5"_s);
        add("bad checksum, then a good frame", {"!0f0515\r" + kGainReply},
            u"alive, setting 15 5"_s);
        add("status code with 6 chars", {replyFrame(11, {1})}, QString());
        add("unknown code", {replyFrame(16, {5})}, QString());
        // Noise is never read as zeros: an alarm, an open tamper, a gain.
        add("not hex: status", {"!0bzzzzzzzz01zzzz0c\r", "!0bzzzzzzzz10zzzz1b\r"}, QString());
        add("not hex: setting", {"!2dz532\r"}, QString());
        add("over-long body", {"!" + QByteArray(3000, '7'), QByteArray(3000, '7') + "0f0514\r"},
            QString());
        for (int code : {15, 17, 19, 20, 21, 22, 23, 32, 45, 47, 49, 50, 51, 52, 53})
            QTest::addRow("setting %d", code)
                << QByteArrayList{replyFrame(code, {200})} << u"alive, setting %1 200"_s.arg(code);
        for (int code : {3, 46}) {  // the remote test and the address change answer no data
            QTest::addRow("code %d, 6 chars", code)
                << QByteArrayList{replyFrame(code, {1})} << QString();
            QTest::addRow("code %d, 18 chars", code)
                << QByteArrayList{replyFrame(code, {1, 2, 3, 4, 5, 6, 7})} << QString();
        }
    }
    void dispatch()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QString, heard);
        Rig rig;
        rig.exchange.start(PortDescription::comPort(1), 1, 1);
        rig.run(13);  // past the speed search
        for (const QByteArray &chunk : std::as_const(chunks))
            rig.port.deliver(chunk);
        QCOMPARE(rig.log.join(u", "), heard);
        QVERIFY(rig.active("Timer1"));
        QVERIFY(rig.exchange.assembler().body().size() <= ReplyAssembler::kMaxBodyLength);
    }
    void anySplitGivesTheSameDispatch()
    {
        // Whole, byte by byte, seeded random pieces: the same signals, and the
        // tick timer paused exactly while a body is open at the end of an event.
        const QByteArray status = statusReply(0x01, 40, 20, 3, 4);
        const QByteArray stream = "$010b010c\r" + kGainReply + status;
        QList<QByteArrayList> splits{{stream}, {}};
        for (char c : stream)
            splits[1] << QByteArray(1, c);
        QRandomGenerator random(20260314);
        for (int round = 0; round < 200; ++round) {
            QByteArrayList chunks;
            for (qsizetype from = 0; from < stream.size(); from += chunks.last().size())
                chunks << stream.mid(from, random.bounded(1, 8));
            splits << chunks;
        }
        for (const QByteArrayList &chunks : std::as_const(splits)) {
            Rig rig;
            rig.exchange.start(PortDescription::comPort(1), 1, 1);
            rig.run(13);
            qsizetype consumed = 0;
            for (const QByteArray &chunk : chunks) {
                rig.port.deliver(chunk);
                consumed += chunk.size();
                const qsizetype open = stream.left(consumed).lastIndexOf('!');
                QCOMPARE(rig.active("Timer1"), open < 0 || stream.indexOf('\r', open) < consumed);
            }
            QCOMPARE(rig.log, QStringList({u"alive"_s, u"setting 15 5"_s, u"alive"_s,
                                           u"status 40 20 1 3 4"_s}));
        }
    }
    void watchdogAndFaults_data()
    {
        // Steps: t one slot, w a silent watchdog period, r a reply, p a cut-off
        // reply, c the rest of it, n a stray "!", e an open body outlives its
        // limit, z noise frames that fail their checks, q a stray XOFF holds
        // our output, u the adapter unplugged, x the port stops reopening,
        // f writes fail, s writes come out short, o writes work again, g start,
        // h stop.
        // Each step gives what went out in a slot ("> frame" whole, "~ part" cut
        // short, "-" nothing, then the speed), the signals, "|" and the state
        // ("on": open with XON/XOFF, both timers running); " / " between steps.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first period reopens, second declares the loss")
            << u"twwh"_s
            << u"> $010f010c 4800 | on / reset | on / lost stopped | closed / | closed"_s;
        QTest::newRow("a reply in between starts counting anew")
            << u"twrww"_s
            << u"> $010f010c 4800 | on / reset | on / alive speed 4800 setting 15 5 | on / "
               "reset | on / lost stopped | closed"_s;
        QTest::newRow("reopen fails: the loss is still declared")
            << u"xww"_s << u"| on / reset | closed T1 T5 / lost stopped | closed"_s;
        QTest::newRow("unplugged mid-exchange")
            << u"tutww"_s
            << u"> $010f010c 4800 | on / | closed T1 T5 / - 9600 | closed T1 T5 / "
               "reset | closed T1 T5 / lost stopped | closed"_s;
        QTest::newRow("failed and short writes, then recovery")
            << u"ftostwotrw"_s
            << u"| on / - 4800 | on / | on / | on / ~ $010 9600 | on / reset | on / | on / "
               "> $010f010c 19200 | on / alive speed 19200 setting 15 5 | on / reset | on"_s;
        QTest::newRow("start after a loss searches and counts anew")
            << u"twwgtw"_s
            << u"> $010f010c 4800 | on / reset | on / lost stopped | closed / | on / "
               "> $010f010c 4800 | on / reset | on"_s;
        QTest::newRow("stop") << u"th"_s << u"> $010f010c 4800 | on / stopped | closed"_s;
        QTest::newRow("a stray ! costs at most one slot")
            << u"tnenttn"_s
            << u"> $010f010c 4800 | on / | open xon T5 / | on / | on / > $010f010c 9600 | on / "
               "> $010f010c 19200 | on / | open xon T5"_s;
        QTest::newRow("the port reset drops an open body")
            << u"pwc"_s << u"| open xon T5 / reset | on / | on"_s;
        QTest::newRow("noise frames are no life")
            << u"zwzw"_s << u"| on / reset | on / | on / lost stopped | closed"_s;
        QTest::newRow("a stray XOFF holds one slot, the next lets it go")
            << u"qtt"_s << u"| on / - 4800 | on / > $010f010c 9600 | on"_s;
    }
    void openBodyLimit_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("ms");
        QTest::newRow("4800: a reply takes 42 ms, held to one slot") << 4800 << 60;
        QTest::newRow("115200") << 115200 << 42;
    }
    void openBodyLimit()
    {
        QFETCH(int, baud);
        QFETCH(int, ms);
        QCOMPARE(Exchange::openBodyLimit(baud).count(), ms);
    }
    void watchdogAndFaults()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        Rig rig;
        FakeSerialPort &port = rig.port;
        const QHash<QChar, std::function<void()>> act{
            {u'r', [&] { port.deliver(kGainReply); }},
            {u'p', [&] { port.deliver("!0f"); }},
            {u'c', [&] { port.deliver("0514\r"); }},
            {u'n', [&] { port.deliver("!0f05"); }},
            {u'e', [&] { rig.exchange.openBodyExpired(); }},
            {u'z', [&] { port.deliver("!zz\r!0f0515\r!\r"); }},
            {u'q', [&] { port.suspended = true; }},
            {u'u', [&] { port.unplug(); }},
            {u'x', [&] { port.openable.clear(); }},
            {u'f', [&] { port.failWrites = true; }},
            {u's', [&] { port.shortWriteBytes = 4; }},
            {u'o',
             [&] {
                 port.failWrites = false;
                 port.shortWriteBytes = -1;
             }},
            {u'g', [&] { rig.exchange.start(PortDescription::comPort(1), 1, 1); }},
            {u'h', [&] { rig.exchange.stop(); }},
            {u'w', [&] {
                 port.setSoftwareFlowControl(false);  // a reopened port must get it again
                 rig.exchange.watchdogExpired();
             }}};
        QVERIFY(rig.exchange.start(PortDescription::comPort(1), 1, 1).started);
        QStringList got;
        for (const QChar step : steps) {
            rig.log.clear();
            QStringList line;
            if (step == u't') {
                const qsizetype written = port.written.size(), cut = port.fragments.size();
                rig.run(1);
                if (port.written.size() > written)
                    line << u"> "_s + QString::fromLatin1(port.written.last().chopped(1));
                else
                    line << (port.fragments.size() > cut
                                 ? u"~ "_s + QString::fromLatin1(port.fragments.last())
                                 : u"-"_s);
                line << QString::number(port.baudRate());
            } else {
                act[step]();
            }
            got << (line + rig.log + QStringList{u"|"_s, rig.state()}).join(u' ');
        }
        QCOMPARE(got.join(u" / "), expected);
    }

    // Whether the shown readings still tell the detector's state, step by
    // step once the polls run: t one slot, r a status reply, x a status
    // reply that fails its check, v a setting reply, q a request queued for
    // the next slot, w a silent watchdog period, h stop, g start. Each step
    // gives "F" (fresh) or "S" (stale), then the signals it raised.
    void readingsFreshness_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("stale before the first reading") << u"tt"_s << u"S / S"_s;
        QTest::newRow("answered polls keep it fresh")
            << u"rtrtrtrt"_s << u"F fresh / F / F / F / F / F / F / F"_s;
        QTest::newRow("a reply between two missed polls counts anew")
            << u"rttrttt"_s << u"F fresh / F / F / F / F / F / S stale"_s;
        QTest::newRow("a queued request is no poll, nor a break between missed ones")
            << u"rtqttt"_s << u"F fresh / F / F / F / F / S stale"_s;
        QTest::newRow("a setting reply is no reading")
            << u"rttvt"_s << u"F fresh / F / F / F / S stale"_s;
        QTest::newRow("a corrupt status reply is no reading")
            << u"rttxt"_s << u"F fresh / F / F / F / S stale"_s;
        QTest::newRow("a reading after stale ones is fresh again")
            << u"rtttr"_s << u"F fresh / F / F / S stale / F fresh"_s;
        QTest::newRow("start keeps it stale until a reading")
            << u"rhgttr"_s << u"F fresh / S stale stopped / S / S / S / F fresh"_s;
        QTest::newRow("the lost link does") << u"rww"_s << u"F fresh / F / S stale stopped"_s;
    }
    void readingsFreshness()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        Rig rig;
        QVERIFY(rig.exchange.start(PortDescription::comPort(1), 1, 1).started);
        rig.run(1);
        rig.port.deliver(kGainReply);             // the speed search ends
        rig.run(Scheduler::kReadBackLength + 1);  // the read-back and the unit number
        QStringList heard;
        Exchange *e = &rig.exchange;
        QObject::connect(e, &Exchange::readingsFresh, [&] { heard << u"fresh"_s; });
        QObject::connect(e, &Exchange::readingsStale, [&] { heard << u"stale"_s; });
        QObject::connect(e, &Exchange::stopped, [&] { heard << u"stopped"_s; });
        const QHash<QChar, std::function<void()>> act{
            {u't', [&] { rig.run(1); }},
            {u'r', [&] { rig.port.deliver(statusReply(0)); }},
            {u'x', [&] { rig.port.deliver(corruptStatusReply(0)); }},
            {u'v', [&] { rig.port.deliver(kGainReply); }},
            {u'q', [&] { rig.exchange.queueRequest(QString::fromLatin1(kRemoteTest)); }},
            {u'w', [&] { rig.exchange.watchdogExpired(); }},
            {u'h', [&] { rig.exchange.stop(); }},
            {u'g', [&] { rig.exchange.start(PortDescription::comPort(1), 1, 1); }}};
        QStringList got;
        for (const QChar step : steps) {
            heard.clear();
            act[step]();
            got << (QStringList{rig.exchange.readingsAreFresh() ? u"F"_s : u"S"_s} + heard)
                       .join(u' ');
        }
        QCOMPARE(got.join(u" / "), expected);
    }

    // The first valid reply after a start tells that a detector is there:
    // v a setting reply, r a status reply, x a reply that fails its check,
    // n "!" and CR, w a silent watchdog period, h stop, g start. Each step
    // gives "E" (established) or "-", and "!" when it raised linkEstablished.
    void linkEstablished_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("silence") << u"ww"_s << u"- / -"_s;
        QTest::newRow("noise is no detector") << u"xn"_s << u"- / -"_s;
        QTest::newRow("once, at the first valid reply") << u"xvrv"_s << u"- / E ! / E / E"_s;
        QTest::newRow("a status reply first") << u"r"_s << u"E !"_s;
        QTest::newRow("stop ends it, the next start waits again")
            << u"vhgwv"_s << u"E ! / - / - / - / E !"_s;
        QTest::newRow("the lost link ends it") << u"vww"_s << u"E ! / E / -"_s;
    }
    void linkEstablished()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        Rig rig;
        int raised = 0;
        QObject::connect(&rig.exchange, &Exchange::linkEstablished, [&] { ++raised; });
        QVERIFY(rig.exchange.start(PortDescription::comPort(1), 1, 1).started);
        const QHash<QChar, std::function<void()>> act{
            {u'v', [&] { rig.port.deliver(kGainReply); }},
            {u'r', [&] { rig.port.deliver(statusReply(0)); }},
            {u'x', [&] { rig.port.deliver(corruptStatusReply(0)); }},
            {u'n', [&] { rig.port.deliver("!\r"); }},
            {u'w', [&] { rig.exchange.watchdogExpired(); }},
            {u'h', [&] { rig.exchange.stop(); }},
            {u'g', [&] { rig.exchange.start(PortDescription::comPort(1), 1, 1); }}};
        QStringList got;
        for (const QChar step : steps) {
            raised = 0;
            act[step]();
            QVERIFY(raised <= 1);
            got << QString(rig.exchange.isLinkEstablished() ? u"E"_s : u"-"_s) +
                       (raised ? u" !"_s : QString());
        }
        QCOMPARE(got.join(u" / "), expected);
    }

    // A port that opens but is not ready yet (a serial server being
    // reached), and a port that fixes its own speed. The line after the
    // start, then for each step: r the port becomes ready, f it fails to
    // (busy), t one slot, w a silent watchdog period. Each gives what went
    // out in a slot ("> frame speed" or "-"), the signals ("try N" a speed
    // of the search), "|" and the state ("waiting" for the port).
    void waitForPort_data()
    {
        QTest::addColumn<bool>("later");
        QTest::addColumn<bool>("fixesSpeed");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing before the port is ready, then the search")
            << true << false << u"trt"_s
            << u"| open xon waiting / - | open xon waiting / started | on / "
               "> $010f010c 4800 try 4800 | on"_s;
        QTest::newRow("fails while waiting: stopped")
            << true << false << u"f"_s << u"| open xon waiting / failed busy stopped | closed"_s;
        QTest::newRow("reset, the port does not come back: lost at the next period")
            << true << false << u"rtwfw"_s
            << u"| open xon waiting / started | on / > $010f010c 4800 try 4800 | on / "
               "reset | on / | closed T1 T5 / lost stopped | closed"_s;
        QTest::newRow("reset, the port comes back: the slots go on")
            << true << false << u"rtwrt"_s
            << u"| open xon waiting / started | on / > $010f010c 4800 try 4800 | on / "
               "reset | on / | on / > $010f010c 9600 try 9600 | on"_s;
        QTest::newRow("own speed: one probe there, no search")
            << false << true << u"tt"_s
            << u"started | on / > $010f010c 19200 | on / > $0115010c 19200 | on"_s;
        QTest::newRow("own speed, ready later")
            << true << true << u"rt"_s
            << u"| open xon waiting / started | on / > $010f010c 19200 | on"_s;
    }
    void waitForPort()
    {
        QFETCH(bool, later);
        QFETCH(bool, fixesSpeed);
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        Rig rig;
        FakeSerialPort &port = rig.port;
        port.opensLater = later;
        port.fixesSpeed = fixesSpeed;
        if (fixesSpeed)
            port.setBaudRate(19200);  // set on the server
        Exchange *e = &rig.exchange;
        QObject::connect(e, &Exchange::started, [&] { rig.log << u"started"_s; });
        QObject::connect(e, &Exchange::speedTried, [&](int b) { rig.log << u"try %1"_s.arg(b); });
        QObject::connect(e, &Exchange::startFailed,
                         [&](SerialPortService::OpenError error, const QString &reason) {
                             const bool busy = error == SerialPortService::OpenError::ServerBusy;
                             rig.log
                                 << (busy && reason == port.lastOpenErrorText() && !reason.isEmpty()
                                         ? u"failed busy"_s
                                         : u"failed %1 %2"_s.arg(int(error)).arg(reason));
                         });
        const QHash<QChar, std::function<void()>> act{
            {u'r', [&] { port.becomeReady(); }},
            {u'f', [&] { port.failOpen(SerialPortService::OpenError::ServerBusy); }},
            {u'w', [&] { rig.exchange.watchdogExpired(); }}};
        const auto line = [&](QStringList done) {
            done << rig.log << u"|"_s << rig.state();
            if (rig.exchange.isWaitingForPort())
                done << u"waiting"_s;
            rig.log.clear();
            return done.join(u' ');
        };
        QVERIFY(rig.exchange.start(PortDescription::comPort(1), 1, 1).started);
        QStringList got{line({})};
        for (const QChar step : steps) {
            QStringList done;
            if (step == u't') {
                // The tick timer's handler, as it would run were it armed.
                const qsizetype written = port.written.size();
                if (rig.active("Timer1"))
                    rig.run(1);
                done << (port.written.size() > written
                             ? u"> %1 %2"_s.arg(QString::fromLatin1(port.written.last().chopped(1)))
                                   .arg(port.baudRate())
                             : u"-"_s);
            } else {
                act[step]();
            }
            got << line(done);
        }
        QCOMPARE(got.join(u" / "), expected);
    }
};

QTEST_GUILESS_MAIN(ExchangeTest)
#include "test_exchange.moc"
