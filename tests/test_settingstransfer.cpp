// Writing one setting through a running exchange on a fake line: the
// confirmation the detector gives (or does not give) decides the outcome, and
// a write left unconfirmed goes out exactly once more.
#include "link/exchange.h"
#include "support/fakeserialport.h"
#include "support/replies.h"
#include "tasks/settingstransfer.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestSettingsTransfer : public QObject {
    Q_OBJECT
private slots:
    void writeOutcome_data();
    void writeOutcome();
};

void TestSettingsTransfer::writeOutcome_data()
{
    QTest::addColumn<int>("confirmed");  // the gain the confirmation carries; 0: none comes
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("sent");
    QTest::newRow("confirmed") << 7 << int(SettingsWriter::Outcome::Confirmed) << 1;
    QTest::newRow("refused") << 4 << int(SettingsWriter::Outcome::Refused) << 1;
    QTest::newRow("unconfirmed") << 0 << int(SettingsWriter::Outcome::Unconfirmed) << 2;
}

void TestSettingsTransfer::writeOutcome()
{
    QFETCH(int, confirmed);
    QFETCH(int, outcome);
    QFETCH(int, sent);
    FakeSerialPort port;
    port.openable = {1};
    Exchange exchange(port);
    QVERIFY(exchange.start(PortDescription::comPort(1), 1, 1).started);
    const QByteArray write = "$012d01070c\r";  // gain 7, flank 1, address 1

    // The detector: answers every poll, and each write as the row says.
    QTimer detector;
    qsizetype heard = 0;
    connect(&detector, &QTimer::timeout, this, [&] {
        for (; heard < port.written.size(); ++heard)
            if (port.written[heard] == write && confirmed > 0)
                port.deliver(settingReply(45, confirmed));
        port.deliver(statusReply(0));
    });
    detector.start(30);
    QTRY_COMPARE(exchange.scheduler().startupSlotsLeft(), 0);

    SettingsWriter writer(exchange);
    QSignalSpy finished(&writer, &SettingsWriter::finished);
    writer.start({{1, Setting::Gain, 7}});
    QVERIFY(finished.wait(3 * SettingsWriter::kConfirmMs + 1000));
    QCOMPARE(int(writer.outcome(0)), outcome);
    QCOMPARE(finished.first().first().toBool(), confirmed == 7);
    QCOMPARE(port.written.count(write), sent);
    if (confirmed == 4)
        QCOMPARE(writer.heldPosition(0), 4);
}

QTEST_GUILESS_MAIN(TestSettingsTransfer)
#include "test_settingstransfer.moc"
