#include "link/receiver.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Records what the receive assembly asks of the window, in order. Dispatched
// bodies are recorded with the text buf1 holds at that moment.
class RecordingHandler : public ReplyHandler {
public:
    explicit RecordingHandler(const SharedState &state) : m_state(state) {}

    QStringList events;  // "end", "status <body>", "setting <code> <body>"
    int pauses = 0;
    QList<int> pausesAfterEvent;  // pauses counted after each receive event

    void frameEnd() override { events << u"end"_s; }
    void pauseExchange() override { ++pauses; }
    void statusReply() override { events << u"status "_s + m_state.buf1; }
    void settingReply(int code) override
    {
        events << u"setting %1 %2"_s.arg(code).arg(m_state.buf1);
    }

private:
    const SharedState &m_state;
};

// A reply body with its checksum: the hex pairs of the bytes, then the sum of
// those bytes mod 256.
QByteArray body(const QList<int> &bytes)
{
    QByteArray out;
    int sum = 0;
    for (int b : bytes) {
        out += QByteArray::number(b, 16).rightJustified(2, '0');
        sum += b;
    }
    out += QByteArray::number(sum & 0xFF, 16).rightJustified(2, '0');
    return out;
}

QByteArray reply(const QList<int> &bytes)
{
    return '!' + body(bytes) + '\r';
}

// A status body: code 11, signal, threshold, state byte, two levels.
const QByteArray kStatusBody = body({11, 0x01, 0x20, 0x02, 0x00, 0x00, 0x80, 0x50});

// Feeds the chunks as separate receive events.
void feed(SharedState &state, RecordingHandler &handler, const QByteArrayList &chunks)
{
    for (const QByteArray &chunk : chunks) {
        receiveBytes(state, chunk, handler);
        handler.pausesAfterEvent << handler.pauses;
    }
}

// Every way of cutting `bytes` at the given positions.
QByteArrayList cutAt(const QByteArray &bytes, QList<int> cuts)
{
    std::sort(cuts.begin(), cuts.end());
    QByteArrayList chunks;
    int from = 0;
    for (int cut : cuts) {
        chunks << bytes.mid(from, cut - from);
        from = cut;
    }
    chunks << bytes.mid(from);
    chunks.removeAll(QByteArray());
    return chunks;
}

// Whether a body is open (a "!" not yet closed by its CR) after `length`
// characters of `bytes`.
bool bodyOpenAfter(const QByteArray &bytes, int length)
{
    bool open = false;
    for (int i = 0; i < length; ++i) {
        if (bytes[i] == '!')
            open = true;
        else if (bytes[i] == '\r')
            open = false;
    }
    return open;
}

}  // namespace

class ReceiveTest : public QObject {
    Q_OBJECT
private slots:
    void gainReplyHoweverSplit_data();
    void gainReplyHoweverSplit();
    void randomSplitsOfAStream();
    void receptions_data();
    void receptions();
    void dispatchByCode_data();
    void dispatchByCode();
    void overlongBodyIsBounded();
    void strayCarriageReturnDoesNotDecodeAgain();
    void emptyReceptionChangesNothing();
};

void ReceiveTest::gainReplyHoweverSplit_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    const QByteArray gain = "!0f0514\r";
    QTest::newRow("whole") << QByteArrayList{gain};
    QByteArrayList oneByOne;
    for (char c : gain)
        oneByOne << QByteArray(1, c);
    QTest::newRow("char by char") << oneByOne;
    for (int cut = 1; cut < gain.size(); ++cut)
        QTest::addRow("split at %d", cut) << cutAt(gain, {cut});
    QTest::newRow("three pieces") << cutAt(gain, {1, 7});
    QTest::newRow("CR alone") << cutAt(gain, {7});
    QTest::newRow("after a reply piece by piece") << cutAt(gain, {2, 3, 5});
}

void ReceiveTest::gainReplyHoweverSplit()
{
    QFETCH(QByteArrayList, chunks);
    SharedState state;
    RecordingHandler handler(state);
    feed(state, handler, chunks);

    QCOMPARE(handler.events, QStringList({u"end"_s, u"setting 15 0f0514"_s}));
    // The exchange pauses exactly at the end of each event that leaves the
    // body open, and never for the event that carries the CR.
    const QByteArray joined = chunks.join();
    int consumed = 0;
    int expectedPauses = 0;
    for (int i = 0; i < chunks.size(); ++i) {
        consumed += int(chunks[i].size());
        if (bodyOpenAfter(joined, consumed))
            ++expectedPauses;
        QCOMPARE(handler.pausesAfterEvent[i], expectedPauses);
    }
    QCOMPARE(handler.pauses, chunks.size() - 1);
    QCOMPARE(state.Mode, qint16(0));
    QCOMPARE(state.buf1, u"0f0514"_s);
}

void ReceiveTest::randomSplitsOfAStream()
{
    // Noise, an echoed request, a setting reply, a status reply, a dropped
    // frame and a confirmation: delivered whole and in random pieces the
    // handler must see the same frames in the same order.
    const QByteArray stream = QByteArray("\x00\xff", 2) + "$010b010c\r" + reply({15, 5}) + "!" +
                              kStatusBody + "\r" + "!0f0515\r" + reply({45, 7}) + "zz";
    SharedState wholeState;
    RecordingHandler whole(wholeState);
    feed(wholeState, whole, {stream});
    const QStringList expected = {u"end"_s,
                                  u"setting 15 0f0514"_s,
                                  u"end"_s,
                                  u"status "_s + QString::fromLatin1(kStatusBody),
                                  u"end"_s,
                                  u"end"_s,
                                  u"setting 45 2d0734"_s};
    QCOMPARE(whole.events, expected);
    QCOMPARE(whole.pauses, 0);

    QRandomGenerator random(20260314);
    for (int round = 0; round < 300; ++round) {
        QList<int> cuts;
        const int pieces = random.bounded(1, 12);
        for (int i = 0; i < pieces; ++i)
            cuts << random.bounded(1, int(stream.size()));
        const QByteArrayList chunks = cutAt(stream, cuts);
        SharedState state;
        RecordingHandler handler(state);
        feed(state, handler, chunks);
        QCOMPARE(handler.events, expected);
        int consumed = 0;
        int expectedPauses = 0;
        for (int i = 0; i < chunks.size(); ++i) {
            consumed += int(chunks[i].size());
            if (bodyOpenAfter(stream, consumed))
                ++expectedPauses;
        }
        QCOMPARE(handler.pauses, expectedPauses);
    }
}

void ReceiveTest::receptions_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("pauses");

    const QString gain = u"setting 15 0f0514"_s;
    QTest::newRow("! then CR: frame end, nothing dispatched")
        << QByteArrayList{"!", "\r"} << QStringList{u"end"_s} << 1;
    QTest::newRow("! and CR in one event") << QByteArrayList{"!\r"} << QStringList{u"end"_s} << 0;
    QTest::newRow("CR with no body open") << QByteArrayList{"\r", "\r\r"} << QStringList{} << 0;
    QTest::newRow("echoed request is no frame end")
        << QByteArrayList{"$010b010c\r"} << QStringList{} << 0;
    QTest::newRow("echo split around its CR")
        << QByteArrayList{"$010b01", "0c", "\r"} << QStringList{} << 0;
    QTest::newRow("two frames in one event")
        << QByteArrayList{"!0f0514\r" + reply({17, 8})}
        << QStringList{u"end"_s, gain, u"end"_s, u"setting 17 110819"_s} << 0;
    QTest::newRow("three frames, the last cut off")
        << QByteArrayList{reply({21, 1}) + reply({32, 1}) + "!0f05", "14\r"}
        << QStringList{u"end"_s, u"setting 21 150116"_s, u"end"_s, u"setting 32 200121"_s, u"end"_s,
                       gain}
        << 1;
    QTest::newRow("garbage before !")
        << QByteArrayList{QByteArray("xx\x00\xff\x7f", 5) + "!0f0514\r"}
        << QStringList{u"end"_s, gain} << 0;
    QTest::newRow("garbage in its own event first")
        << QByteArrayList{"abc123", "!0f0514\r"} << QStringList{u"end"_s, gain} << 0;
    QTest::newRow("a second ! restarts the body")
        << QByteArrayList{"!0b01", "!0f0514\r"} << QStringList{u"end"_s, gain} << 1;
    QTest::newRow("body of 5 characters dropped")
        << QByteArrayList{"!0f051\r"} << QStringList{u"end"_s} << 0;
    QTest::newRow("body of 19 characters dropped")
        << QByteArrayList{"!" + kStatusBody + "0\r"} << QStringList{u"end"_s} << 0;
    QTest::newRow("status body of 18 characters")
        << QByteArrayList{"!" + kStatusBody + "\r"}
        << QStringList{u"end"_s, u"status "_s + QString::fromLatin1(kStatusBody)} << 0;
    QTest::newRow("bad checksum dropped")
        << QByteArrayList{"!0f0515\r"} << QStringList{u"end"_s} << 0;
    QTest::newRow("code 11 with 6 characters dropped")
        << QByteArrayList{"!" + body({11, 1}) + "\r"} << QStringList{u"end"_s} << 0;
    QTest::newRow("setting code with 18 characters dropped")
        << QByteArrayList{"!" + body({15, 1, 2, 3, 4, 5, 6, 7}) + "\r"} << QStringList{u"end"_s}
        << 0;
    QTest::newRow("unknown code dropped")
        << QByteArrayList{"!" + body({16, 5}) + "\r"} << QStringList{u"end"_s} << 0;
    QTest::newRow("upper-case body accepted")
        << QByteArrayList{"!0F0514\r"} << QStringList{u"end"_s, u"setting 15 0F0514"_s} << 0;
    QTest::newRow("dropped frame does not spoil the next")
        << QByteArrayList{"!0f0515\r", "!0f0514\r"} << QStringList{u"end"_s, u"end"_s, gain} << 0;
    QTest::newRow("body still open at the end stays open")
        << QByteArrayList{"!0f05", "14"} << QStringList{} << 2;
}

void ReceiveTest::receptions()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QStringList, events);
    QFETCH(int, pauses);
    SharedState state;
    RecordingHandler handler(state);
    feed(state, handler, chunks);
    QCOMPARE(handler.events, events);
    QCOMPARE(handler.pauses, pauses);
}

void ReceiveTest::dispatchByCode_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("dispatched");
    for (int code : {15, 17, 19, 20, 21, 22, 23, 32, 45, 47, 49, 50, 51, 52, 53}) {
        const QByteArray b = body({code, 1});
        QTest::addRow("setting code %d", code)
            << '!' + b + '\r' << u"setting %1 %2"_s.arg(code).arg(QString::fromLatin1(b));
    }
    QTest::newRow("status code 11")
        << '!' + kStatusBody + '\r' << u"status "_s + QString::fromLatin1(kStatusBody);
    for (int code : {3, 11, 46, 18, 24, 31, 33, 44, 48, 54, 0, 255}) {
        QTest::addRow("code %d with 6 characters", code) << reply({code, 1}) << QString();
    }
    QTest::newRow("code 3 with 18 characters") << reply({3, 1, 2, 3, 4, 5, 6, 7}) << QString();
    QTest::newRow("code 46 with 18 characters") << reply({46, 1, 2, 3, 4, 5, 6, 7}) << QString();
}

void ReceiveTest::dispatchByCode()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, dispatched);
    SharedState state;
    RecordingHandler handler(state);
    feed(state, handler, {frame});
    QStringList expected{u"end"_s};
    if (!dispatched.isEmpty())
        expected << dispatched;
    QCOMPARE(handler.events, expected);
    // The classification the dispatcher uses agrees.
    int code = -1;
    const BodyKind kind = classifyBody(QString::fromLatin1(frame.mid(1, frame.size() - 2)), &code);
    if (dispatched.isEmpty())
        QCOMPARE(kind, BodyKind::Dropped);
    else
        QCOMPARE(kind, dispatched.startsWith(u"status"_s) ? BodyKind::Status : BodyKind::Setting);
}

void ReceiveTest::overlongBodyIsBounded()
{
    SharedState state;
    RecordingHandler handler(state);
    // A line full of noise after a "!": collected up to the bound only.
    const QByteArray noise(5000, '7');
    feed(state, handler, {"!" + noise.left(2500), noise.mid(2500)});
    QCOMPARE(handler.pauses, 2);
    QVERIFY(state.buf1.size() <= kMaxBodyLength);
    feed(state, handler, {"\r"});
    QCOMPARE(handler.events, QStringList{u"end"_s});

    // A valid body behind 60 characters of noise inside the same body is not
    // a reply either, cut or not.
    feed(state, handler, {"!" + noise.left(60) + "0f0514\r"});
    QCOMPARE(handler.events, QStringList({u"end"_s, u"end"_s}));

    // The next frame is read normally.
    feed(state, handler, {"!0f0514\r"});
    QCOMPARE(handler.events, QStringList({u"end"_s, u"end"_s, u"end"_s, u"setting 15 0f0514"_s}));
}

void ReceiveTest::strayCarriageReturnDoesNotDecodeAgain()
{
    SharedState state;
    RecordingHandler handler(state);
    feed(state, handler, {"!" + kStatusBody + "\r", "\r", "\r\r"});
    QCOMPARE(handler.events,
             QStringList({u"end"_s, u"status "_s + QString::fromLatin1(kStatusBody)}));
    // The body stays in buf1 for the decoders after the event.
    QCOMPARE(state.buf1, QString::fromLatin1(kStatusBody));
    QCOMPARE(handler.pauses, 0);
}

void ReceiveTest::emptyReceptionChangesNothing()
{
    SharedState state;
    RecordingHandler handler(state);
    feed(state, handler, {"!0f05"});
    feed(state, handler, {QByteArray()});
    QCOMPARE(handler.pauses, 1);
    QCOMPARE(state.buf1, u"0f05"_s);
    QCOMPARE(state.Mode, qint16(1));
    feed(state, handler, {"14\r"});
    QCOMPARE(handler.events, QStringList({u"end"_s, u"setting 15 0f0514"_s}));
}

QTEST_APPLESS_MAIN(ReceiveTest)
#include "test_receive.moc"
