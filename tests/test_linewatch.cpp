// Many detectors on one line: an unaddressed reply goes to the slot it completes in.

#include "link/anyport.h"
#include "link/codec.h"
#include "link/linewatch.h"
#include "link/protocol.h"
#include "support/fakeserialport.h"
#include "support/replies.h"
#include "support/simdetector.h"

#include <QMap>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kBaud = 19200;  // a poll and its reply take 15.6 ms on the wire
constexpr int kOnTimeMs = 25;
constexpr int kLateMs = 65;  // 5 ms into the next slot

// A state byte of its own per (address, flank), tamper bit clear: a misplaced reading shows.
int codeFor(int address, int flank)
{
    return (address % 8) * 32 + flank;
}

// Detectors in memory, each answering its status polls `delayMs` later unless silent.
class Bus : public FakeSerialPort {
public:
    struct Detector {
        int delayMs = kOnTimeMs;
        bool silent = false;
        bool tamperOpen = false;
        int state[2] = {0, 0};
    };
    QMap<int, Detector> detectors;
    QList<int> polled;  // the address of every status poll, in order

    Bus() { openable = {1}; }

    void addDetector(int address, int delayMs = kOnTimeMs)
    {
        Detector d;
        d.delayMs = delayMs;
        d.state[0] = codeFor(address, 1);
        d.state[1] = codeFor(address, 2);
        detectors.insert(address, d);
    }
    int pollsOf(int address, int from = 0) const
    {
        return int(std::count(polled.cbegin() + from, polled.cend(), address));
    }

    void write(const QByteArray &frame) override
    {
        FakeSerialPort::write(frame);
        bool ok = false;
        const int address = frame.mid(1, 2).toInt(&ok, 16);
        const int code = frame.mid(3, 2).toInt(nullptr, 16);
        const int flank = frame.mid(5, 2).toInt(nullptr, 16);
        if (ok && code == protocol::kReadUnitNumber) {
            const auto it = detectors.constFind(address);
            if (it != detectors.cend() && !it->silent)
                QTimer::singleShot(it->delayMs, Qt::PreciseTimer, this, [this, address] {
                    if (isOpen())
                        deliver(settingReply(protocol::kReadUnitNumber, address));
                });
            return;
        }
        if (!ok || code != protocol::kStatus || (flank != 1 && flank != 2))
            return;
        QCOMPARE(frame, codec::requestForFlank(address, protocol::kStatus, flank).toLatin1());
        polled << address;
        const auto it = detectors.constFind(address);
        if (it == detectors.cend() || it->silent)
            return;
        const int stateByte = it->state[flank - 1] | (it->tamperOpen ? 16 : 0);
        QTimer::singleShot(it->delayMs, Qt::PreciseTimer, this, [this, stateByte] {
            if (isOpen())
                deliver(statusReply(stateByte));
        });
    }
};

using Reading = QPair<int, int>;  // address, flank

// Every event of a watch, by address (and flank).
struct Events {
    QMap<Reading, QList<int>> flankStates;
    QMap<int, QList<bool>> tampers;
    QMap<int, QList<bool>> links;

    explicit Events(LineWatch &watch)
    {
        QObject::connect(&watch, &LineWatch::flankState, [this](int a, int f, int code) {
            flankStates[{a, f}] << code;
        });
        QObject::connect(&watch, &LineWatch::tamper,
                         [this](int a, bool open) { tampers[a] << open; });
        QObject::connect(&watch, &LineWatch::link,
                         [this](int a, bool alive) { links[a] << alive; });
    }
    bool readBoth(int address) const
    {
        return flankStates.contains({address, 1}) && flankStates.contains({address, 2});
    }
};

}  // namespace

class TestLineWatch : public QObject {
    Q_OBJECT
private slots:
    void repliesGoToTheirSlot_data()
    {
        QTest::addColumn<QList<int>>("addresses");  // polled, in this order
        QTest::addColumn<QList<int>>("onTime");     // detectors answering in their slot
        QTest::addColumn<int>("late");              // a detector answering 65 ms late, or -1
        QTest::newRow("three detectors and an empty address")
            << QList<int>{1, 2, 3, 4} << QList<int>{1, 2, 3} << -1;
        QTest::newRow("late detector before a live one")
            << QList<int>{1, 2, 3} << QList<int>{1, 3} << 2;
        QTest::newRow("late detector last in the round")
            << QList<int>{1, 2, 3} << QList<int>{1, 2} << 3;
        QTest::newRow("late detector before an empty address")
            << QList<int>{5, 6} << QList<int>{} << 5;
    }

    void repliesGoToTheirSlot()
    {
        QFETCH(QList<int>, addresses);
        QFETCH(QList<int>, onTime);
        QFETCH(int, late);
        Bus bus;
        for (int a : onTime)
            bus.addDetector(a);
        if (late >= 0)
            bus.addDetector(late, kLateMs);
        LineWatch watch(bus);
        Events events(watch);
        QVERIFY(watch.start(PortDescription::comPort(1), addresses, kBaud));
        QCOMPARE(bus.baudRate(), kBaud);

        for (int a : onTime)
            QTRY_VERIFY_WITH_TIMEOUT(events.readBoth(a), 5000);
        if (late >= 0) {
            // The late detector, polled often enough to be lost, replied in other slots.
            QTRY_VERIFY_WITH_TIMEOUT(bus.pollsOf(late) > LineWatch::kMissedPollsForLost, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(watch.droppedReplies() >= 2, 5000);
        }
        watch.stop();

        for (auto it = events.flankStates.cbegin(); it != events.flankStates.cend(); ++it) {
            const int address = it.key().first;
            const int flank = it.key().second;
            const QString where = QStringLiteral("address %1 flank %2").arg(address).arg(flank);
            QVERIFY2(onTime.contains(address), qPrintable(where));
            QVERIFY2(it.value() == QList<int>{codeFor(address, flank)}, qPrintable(where));
        }
        for (int a : addresses) {
            const QList<bool> expected =
                onTime.contains(a) ? QList<bool>{true} : QList<bool>{false};
            // An address is given up at the end of the slot of its third poll.
            if (!onTime.contains(a) && bus.pollsOf(a) <= LineWatch::kMissedPollsForLost)
                continue;
            QCOMPARE(events.links.value(a), expected);
            QVERIFY(!events.tampers.contains(a) || onTime.contains(a));
        }
    }

    void linkState_data()
    {
        QTest::addColumn<QList<int>>("addresses");
        QTest::addColumn<QList<int>>("answering");
        QTest::addColumn<int>("fallsSilent");  // an answering one that falls silent and returns
        QTest::newRow("never answering addresses are lost once")
            << QList<int>{8, 9} << QList<int>{} << -1;
        QTest::newRow("one of three falls silent and returns")
            << QList<int>{1, 2, 3} << QList<int>{1, 2, 3} << 2;
    }

    void linkState()
    {
        QFETCH(QList<int>, addresses);
        QFETCH(QList<int>, answering);
        QFETCH(int, fallsSilent);
        Bus bus;
        for (int a : answering)
            bus.addDetector(a);
        LineWatch watch(bus);
        Events events(watch);
        int pollsWhenLost = -1;
        int silentFrom = 0;
        connect(&watch, &LineWatch::link, this, [&](int address, bool alive) {
            if (address == fallsSilent && !alive)
                pollsWhenLost = bus.pollsOf(address, silentFrom);
        });
        QVERIFY(watch.start(PortDescription::comPort(1), addresses, kBaud));
        for (int a : answering)
            QTRY_VERIFY_WITH_TIMEOUT(watch.isAlive(a), 5000);

        QMap<int, QList<bool>> expected;
        for (int a : addresses)
            expected[a] = answering.contains(a) ? QList<bool>{true} : QList<bool>{false};
        if (fallsSilent >= 0) {
            silentFrom = int(bus.polled.size());
            bus.detectors[fallsSilent].silent = true;
            QTRY_VERIFY_WITH_TIMEOUT(!watch.isAlive(fallsSilent), 5000);
            // Lost at the end of the third poll that went unanswered, no sooner.
            QCOMPARE(pollsWhenLost, LineWatch::kMissedPollsForLost);
            bus.detectors[fallsSilent].silent = false;
            QTRY_VERIFY_WITH_TIMEOUT(watch.isAlive(fallsSilent), 5000);
            expected[fallsSilent] = {true, false, true};
        }
        // Every address polled well past the misses that make it lost.
        for (int a : addresses)
            QTRY_VERIFY_WITH_TIMEOUT(bus.pollsOf(a) >= 2 * LineWatch::kMissedPollsForLost, 5000);
        watch.stop();
        QCOMPARE(events.links, expected);
    }

    // Requests wait in the mailbox and take a slot each, never two in a row, and
    // the setting reply in that slot goes to the request's address.
    void mailboxRequestsBetweenPolls()
    {
        Bus bus;
        for (int a : {1, 2})
            bus.addDetector(a);
        LineWatch watch(bus);
        QList<QPair<int, QString>> answers;
        connect(&watch, &LineWatch::requestAnswered, this,
                [&](int address, int code, const QString &body) {
                    QCOMPARE(code, protocol::kReadUnitNumber);
                    answers << qMakePair(address, body);
                });
        QVERIFY(!watch.queueRequest(codec::requestAddressOnly(2, protocol::kReadUnitNumber)));
        QVERIFY(watch.start(PortDescription::comPort(1), {1, 2}, kBaud));
        QTRY_VERIFY_WITH_TIMEOUT(watch.isAlive(1) && watch.isAlive(2), 5000);
        const QStringList requests{codec::requestAddressOnly(2, protocol::kReadUnitNumber),
                                   codec::requestAddressOnly(1, protocol::kRemoteTest),
                                   codec::requestAddressOnly(1, protocol::kReadUnitNumber)};
        for (const QString &r : requests)
            QVERIFY(watch.queueRequest(r));
        QVERIFY(!watch.queueRequest(codec::requestAddressOnly(9, protocol::kReadUnitNumber)));
        QVERIFY(!watch.queueRequest(QStringLiteral("garbage")));
        const qsizetype from = bus.written.size();
        QTRY_VERIFY_WITH_TIMEOUT(answers.size() == 2 && watch.queuedRequests() == 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(bus.written.size() > from + 8, 5000);
        watch.stop();

        QStringList sent;
        for (qsizetype i = from; i < bus.written.size(); ++i)
            sent << QString::fromLatin1(bus.written[i]);
        QStringList order;
        for (qsizetype i = 0; i < sent.size(); ++i) {
            if (!requests.contains(sent[i]))
                continue;
            order << sent[i];
            QVERIFY2(i + 1 < sent.size() && !requests.contains(sent[i + 1]), "two in a row");
        }
        QCOMPARE(order, requests);
        const QString unit1 = QString::fromLatin1(settingReply(protocol::kReadUnitNumber, 1));
        const QString unit2 = QString::fromLatin1(settingReply(protocol::kReadUnitNumber, 2));
        QCOMPARE(answers, (QList<QPair<int, QString>>{{2, unit2.mid(1, 6)}, {1, unit1.mid(1, 6)}}));
        QVERIFY(watch.isAlive(1) && watch.isAlive(2));
    }

    void deadAddressesTakeAtMostOneSlotInTen()
    {
        Bus bus;
        const QList<int> live{1, 2, 3};
        QList<int> addresses;
        for (int a = 1; a <= 20; ++a)
            addresses << a;
        for (int a : live)
            bus.addDetector(a);
        LineWatch watch(bus);
        Events events(watch);
        QVERIFY(watch.start(PortDescription::comPort(1), addresses, kBaud));
        // The first round reads every address: each silent one is lost after its
        // first three polls, within two rounds.
        QTRY_VERIFY_WITH_TIMEOUT(events.links.size() == addresses.size(), 5000);
        QVERIFY(bus.polled.size() <= 2 * 2 * addresses.size());
        for (int a : live)
            QVERIFY(watch.isAlive(a));
        const int from = int(bus.polled.size());
        const int slotCount = 40;
        QTRY_VERIFY_WITH_TIMEOUT(bus.polled.size() >= from + slotCount, 10000);
        watch.stop();

        const QList<int> seen = bus.polled.mid(from, slotCount);
        // Any ten slots in a row: at most one poll of a dead address, one of each live one.
        for (int i = 0; i + 10 <= seen.size(); ++i) {
            const QList<int> window = seen.mid(i, 10);
            int dead = 0;
            for (int a : window)
                dead += live.contains(a) ? 0 : 1;
            QVERIFY2(dead <= 1, qPrintable(QString::number(i)));
            for (int a : live)
                QVERIFY2(window.contains(a), qPrintable(QString::number(i)));
        }
        // The dead addresses take turns.
        QList<int> deadPolls;
        for (int a : seen)
            if (!live.contains(a))
                deadPolls << a;
        QVERIFY(!deadPolls.isEmpty());
        QCOMPARE(QSet<int>(deadPolls.cbegin(), deadPolls.cend()).size(), deadPolls.size());
        // Each live detector gets at least four polls a second (a slot is 60 ms).
        for (int a : live)
            QVERIFY(int(std::count(seen.cbegin(), seen.cend(), a)) * 1000 >=
                    4 * slotCount * int(protocol::kSlot.count()));
    }

    void readingsReportedOnce_data()
    {
        QTest::addColumn<int>("flank");     // the flank of address 1 whose state changes, or 0
        QTest::addColumn<int>("newState");  // its new state byte
        QTest::addColumn<bool>("tamperOpens");
        QTest::newRow("steady: each flank and the tamper once") << 0 << 0 << false;
        QTest::newRow("flank 1 changes") << 1 << 4 << false;
        QTest::newRow("flank 2 changes") << 2 << 36 << false;
        QTest::newRow("the tamper opens") << 0 << 0 << true;
    }

    void readingsReportedOnce()
    {
        QFETCH(int, flank);
        QFETCH(int, newState);
        QFETCH(bool, tamperOpens);
        Bus bus;
        bus.addDetector(1);
        bus.addDetector(2);
        LineWatch watch(bus);
        Events events(watch);
        QVERIFY(watch.start(PortDescription::comPort(1), {1, 2}, kBaud));
        QTRY_VERIFY_WITH_TIMEOUT(events.readBoth(1) && events.readBoth(2), 5000);

        QMap<Reading, QList<int>> expectedStates;
        for (int a : {1, 2})
            for (int f : {1, 2})
                expectedStates[{a, f}] = {codeFor(a, f)};
        QMap<int, QList<bool>> expectedTampers{{1, {false}}, {2, {false}}};
        if (flank > 0) {
            bus.detectors[1].state[flank - 1] = newState;
            expectedStates[{1, flank}] << newState;
        }
        if (tamperOpens) {
            bus.detectors[1].tamperOpen = true;
            expectedTampers[1] << true;
        }
        QTRY_COMPARE_WITH_TIMEOUT(events.flankStates, expectedStates, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(events.tampers, expectedTampers, 5000);
        // Many more readings, the same: nothing more is reported.
        const int from = int(bus.polled.size());
        QTRY_VERIFY_WITH_TIMEOUT(bus.pollsOf(1, from) >= 8 && bus.pollsOf(2, from) >= 8, 5000);
        watch.stop();
        QCOMPARE(events.flankStates, expectedStates);
        QCOMPARE(events.tampers, expectedTampers);
        QCOMPARE(events.links, (QMap<int, QList<bool>>{{1, {true}}, {2, {true}}}));
    }

    void portThatOpensLater_data()
    {
        QTest::addColumn<bool>("becomesReady");
        QTest::newRow("becomes ready: polling starts") << true;
        QTest::newRow("cannot be made ready: start failed, stopped") << false;
    }

    void portThatOpensLater()
    {
        QFETCH(bool, becomesReady);
        Bus bus;
        bus.opensLater = true;
        bus.addDetector(3);
        LineWatch watch(bus);
        QSignalSpy failed(&watch, &LineWatch::startFailed);
        QSignalSpy link(&watch, &LineWatch::link);
        QList<QByteArray> order;
        connect(&watch, &LineWatch::startFailed, this, [&] { order << "failed"; });
        connect(&watch, &LineWatch::stopped, this, [&] { order << "stopped"; });
        QVERIFY(watch.start(PortDescription::comPort(1), {3}, kBaud));
        QTest::qWait(3 * int(protocol::kSlot.count()));
        QVERIFY(bus.written.isEmpty());  // nothing goes out before the port is ready
        if (becomesReady) {
            bus.becomeReady();
            QTRY_COMPARE_WITH_TIMEOUT(link.size(), 1, 5000);
            QVERIFY(watch.isRunning());
            QVERIFY(failed.isEmpty());
        } else {
            bus.failOpen(SerialPortService::OpenError::ServerRefused);
            QCOMPARE(order, (QList<QByteArray>{"failed", "stopped"}));
            QVERIFY(!watch.isRunning());
            QVERIFY(bus.written.isEmpty());
        }
    }

    void simulatedLineWithALateDetector()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SimDetector sim(QStringLiteral(VERKAN_SIM_PATH), dir,
                        {QStringLiteral("--addresses"), QStringLiteral("1-3"),
                         QStringLiteral("--late"), QString::number(kLateMs),
                         QStringLiteral("--baud"), QString::number(kBaud)});
        QVERIFY(sim.ready());
        // The late detector reads differently in every way: a misplaced reply would show.
        for (const char *command : {"1 flank 1 alarm", "1 flank 2 break", "1 tamper open"})
            QCOMPARE(sim.command(QLatin1String(command)), QStringList{QStringLiteral("ok")});
        AnyPortService port(sim.portEnvironment());
        LineWatch watch(port);
        Events events(watch);
        QVERIFY(watch.start(PortDescription::comPort(1), {1, 2, 3}, kBaud));
        QTRY_VERIFY_WITH_TIMEOUT(events.readBoth(2) && events.readBoth(3), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(watch.droppedReplies() >= 2, 10000);
        watch.stop();
        QVERIFY(!events.links.value(1).contains(true));
        QVERIFY(!events.flankStates.contains({1, 1}) && !events.flankStates.contains({1, 2}));
        for (int a : {2, 3}) {
            // A loaded machine may hold replies past their slot: a link may drop and return.
            QCOMPARE(events.links.value(a).value(0), true);
            QCOMPARE(events.tampers.value(a), QList<bool>{false});
            for (int f : {1, 2})
                QCOMPARE(events.flankStates.value({a, f}).size(), 1);
        }
    }
};

QTEST_MAIN(TestLineWatch)
#include "test_linewatch.moc"
