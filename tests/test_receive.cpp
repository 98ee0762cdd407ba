#include "link/receiver.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Frame ends and dispatches (with buf1 then) in order; pauses after each event.
struct Recorder : ReplyHandler {
    SharedState state;
    QStringList events;
    QList<int> pausesAfterEvent;
    int pauses = 0;
    void frameEnd() override { events << u"end"_s; }
    void pauseExchange() override { ++pauses; }
    void statusReply() override { events << u"status "_s + state.buf1; }
    void settingReply(int code) override { events << u"setting %1 %2"_s.arg(code).arg(state.buf1); }
    void feed(const QByteArrayList &chunks)
    {
        for (const QByteArray &chunk : chunks) {
            receiveBytes(state, chunk, *this);
            pausesAfterEvent << pauses;
        }
    }
};

// Hex pairs of the bytes followed by their sum mod 256.
QByteArray body(const QList<int> &bytes)
{
    QByteArray out;
    int sum = 0;
    for (int b : bytes) {
        out += QByteArray::number(b, 16).rightJustified(2, '0');
        sum += b;
    }
    return out + QByteArray::number(sum & 0xFF, 16).rightJustified(2, '0');
}

QByteArray reply(const QList<int> &bytes)
{
    return '!' + body(bytes) + '\r';
}

const QByteArray kStatus = body({11, 0x01, 0x20, 0x02, 0x00, 0x00, 0x80, 0x50});
const QString kStatusEvent = u"status "_s + QString::fromLatin1(kStatus);
const QString kGain = u"setting 15 0f0514"_s;

}  // namespace

class ReceiveTest : public QObject {
    Q_OBJECT
private slots:
    void anySplitGivesTheSameDispatch();
    void receptions_data();
    void receptions();
};

void ReceiveTest::anySplitGivesTheSameDispatch()
{
    // Whole, char by char, seeded random pieces; pause iff an event ends in a body.
    const QByteArray stream = "$010b010c\r!0f0514\r!" + kStatus + '\r';
    QList<QByteArrayList> splits{{stream}, {}};
    for (char c : stream)
        splits[1] << QByteArray(1, c);
    QRandomGenerator random(20260314);
    for (int round = 0; round < 200; ++round) {
        QByteArrayList chunks;
        for (int from = 0; from < stream.size();) {
            const int n = random.bounded(1, 8);
            chunks << stream.mid(from, n);
            from += n;
        }
        splits << chunks;
    }
    for (const QByteArrayList &chunks : std::as_const(splits)) {
        Recorder handler;
        handler.feed(chunks);
        QCOMPARE(handler.events, QStringList({u"end"_s, kGain, u"end"_s, kStatusEvent}));
        int consumed = 0, expected = 0;
        for (int i = 0; i < chunks.size(); ++i) {
            consumed += int(chunks[i].size());
            const int open = int(stream.left(consumed).lastIndexOf('!'));
            if (open >= 0 && stream.indexOf('\r', open) >= consumed)
                ++expected;
            QCOMPARE(handler.pausesAfterEvent[i], expected);
        }
    }
}

void ReceiveTest::receptions_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("pauses");
    const QStringList end{u"end"_s};
    QTest::newRow("! then CR") << QByteArrayList{"!", "\r"} << end << 1;
    QTest::newRow("CR with no body") << QByteArrayList{"$010b010c\r", "\r"} << QStringList() << 0;
    QTest::newRow("frames in one event")
        << QByteArrayList{reply({21, 1}) + reply({32, 1}) + "!0f05", "14\r"}
        << QStringList{u"end"_s, u"setting 21 150116"_s, u"end"_s, u"setting 32 200121"_s, u"end"_s,
                       kGain}
        << 1;
    QTest::newRow("status, then stray CRs") << QByteArrayList{"!" + kStatus + "\r", "\r", "\r\r"}
                                            << QStringList{u"end"_s, kStatusEvent} << 0;
    QTest::newRow("length 5") << QByteArrayList{"!0f051\r"} << end << 0;
    QTest::newRow("length 19") << QByteArrayList{"!" + kStatus + "0\r"} << end << 0;
    QTest::newRow("bad checksum, then a good frame")
        << QByteArrayList{"!0f0515\r!0f0514\r"} << QStringList{u"end"_s, u"end"_s, kGain} << 0;
    QTest::newRow("code 11 with 6 chars") << QByteArrayList{reply({11, 1})} << end << 0;
    QTest::newRow("unknown code") << QByteArrayList{reply({16, 5})} << end << 0;
    QTest::newRow("over-long body")
        << QByteArrayList{"!" + QByteArray(3000, '7'), QByteArray(3000, '7') + "0f0514\r"} << end
        << 1;
    // Dispatch by code: setting codes, status (code 11, 18 chars), 3 and 46 never.
    for (int code : {15, 17, 19, 20, 21, 22, 23, 32, 45, 47, 49, 50, 51, 52, 53})
        QTest::addRow("setting %d", code)
            << QByteArrayList{reply({code, 1})}
            << QStringList{u"end"_s,
                           u"setting %1 %2"_s.arg(code).arg(QString::fromLatin1(body({code, 1})))}
            << 0;
    for (int code : {3, 46}) {
        QTest::addRow("code %d, 6 chars", code) << QByteArrayList{reply({code, 1})} << end << 0;
        QTest::addRow("code %d, 18 chars", code)
            << QByteArrayList{reply({code, 1, 2, 3, 4, 5, 6, 7})} << end << 0;
    }
}

void ReceiveTest::receptions()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QStringList, events);
    QFETCH(int, pauses);
    Recorder handler;
    handler.feed(chunks);
    QCOMPARE(handler.events, events);
    QCOMPARE(handler.pauses, pauses);
    QVERIFY(handler.state.buf1.size() <= kMaxBodyLength);
}

QTEST_APPLESS_MAIN(ReceiveTest)
#include "test_receive.moc"
