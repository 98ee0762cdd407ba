// The search for detectors ties a reply to the probe of its slot and
// confirms it with a second probe: a late reply is never given to the next
// address, and replies nobody asked for make no detectors.

#include "link/codec.h"
#include "link/discovery.h"
#include "link/protocol.h"
#include "support/fakeserialport.h"
#include "support/replies.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// A line with one detector at `address` that answers its unit-number read
// `delayMs` after the request, and, when `noiseEveryMs` > 0, well-formed
// replies that nobody asked for at that pace, each with another number.
class Line : public FakeSerialPort {
public:
    Line(int address, int delayMs, int noiseEveryMs) : m_address(address), m_delayMs(delayMs)
    {
        if (noiseEveryMs > 0) {
            connect(&m_noise, &QTimer::timeout, this, [this] {
                if (isOpen())
                    deliver(settingReply(protocol::kReadUnitNumber, ++m_noiseNumber % 256));
            });
            m_noise.start(noiseEveryMs);
        }
    }
    void write(const QByteArray &frame) override
    {
        FakeSerialPort::write(frame);
        if (frame != codec::requestAddressOnly(m_address, protocol::kReadUnitNumber).toLatin1())
            return;
        QTimer::singleShot(m_delayMs, this, [this] {
            if (isOpen())
                deliver(settingReply(protocol::kReadUnitNumber, 42));
        });
    }

private:
    int m_address;
    int m_delayMs;
    QTimer m_noise;
    int m_noiseNumber = 100;
};

}  // namespace

class TestDiscovery : public QObject {
    Q_OBJECT
private slots:
    void repliesBelongToTheirSlot_data();
    void repliesBelongToTheirSlot();
};

void TestDiscovery::repliesBelongToTheirSlot_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("noiseEveryMs");
    QTest::addColumn<QList<int>>("found");  // addresses
    QTest::addColumn<bool>("dropped");      // replies were counted as unconfirmed
    QTest::newRow("in its slot") << 15 << 0 << QList<int>{7} << false;
    QTest::newRow("late: after its slot ended") << 65 << 0 << QList<int>{} << true;
    QTest::newRow("replies nobody asked for") << 100000 << 25 << QList<int>{} << true;
    QTest::newRow("in its slot, among replies nobody asked for")
        << 5 << 45 << QList<int>{7} << true;
}

void TestDiscovery::repliesBelongToTheirSlot()
{
    QFETCH(int, delayMs);
    QFETCH(int, noiseEveryMs);
    QFETCH(QList<int>, found);
    QFETCH(bool, dropped);
    Line line(7, delayMs, noiseEveryMs);
    line.openable = {1};
    Discovery discovery(line);
    QSignalSpy finished(&discovery, &Discovery::finished);
    QVERIFY(discovery.start(PortDescription::comPort(1), 5, 10, 19200));
    QVERIFY(finished.wait(10000));
    QList<int> addresses;
    for (const Discovery::Found &f : discovery.found())
        addresses << f.address;
    QCOMPARE(addresses, found);
    QCOMPARE(discovery.done(), discovery.total());
    QCOMPARE(discovery.unconfirmed() > 0, dropped);
}

QTEST_MAIN(TestDiscovery)
#include "test_discovery.moc"
