#include "link/rfc2217.h"
#include "support/telnet.h"

#include <QTest>

using namespace telnet;

namespace {

const QByteArray serverAgrees = bytes({IAC, DO, COMPORT, IAC, DO, BINARY, IAC, WILL, BINARY});

// A session whose line is set up at 9600 8N1, with nothing left to send.
void makeReady(Rfc2217Session &session)
{
    session.start({9600});
    session.feed(serverAgrees);
    session.feed(comPort(101, baudValue(9600)));
    session.feed(comPort(102, bytes({8})));
    session.feed(comPort(103, bytes({1})));
    session.feed(comPort(104, bytes({1})));
    session.takeOutgoing();
}

}  // namespace

class Rfc2217Test : public QObject {
    Q_OBJECT
private slots:
    void handshakeOneRequestPerAcknowledgement_data()
    {
        QTest::addColumn<int>("baud");
        QTest::newRow("9600") << 9600;
        // A speed with a 0xFF byte: doubled in the request and in the answer.
        QTest::newRow("0xFF in the value") << 0xFFF0;
    }

    void handshakeOneRequestPerAcknowledgement()
    {
        QFETCH(int, baud);
        Rfc2217Session session;
        QCOMPARE(session.start({baud}),
                 bytes({IAC, WILL, COMPORT, IAC, WILL, BINARY, IAC, DO, BINARY}));
        QVERIFY(session.waitingForServer());
        QVERIFY(!session.ready());

        // Nothing is asked of the line before the server agreed.
        QCOMPARE(session.feed(bytes({IAC, DO, BINARY, IAC, WILL, BINARY})), QByteArray());
        QCOMPARE(session.takeOutgoing(), QByteArray());

        QCOMPARE(session.feed(bytes({IAC, DO, COMPORT})), QByteArray());
        const QByteArray value = Rfc2217Session::encodeData(baudValue(baud));
        QCOMPARE(session.takeOutgoing(), comPort(1, value));

        const struct {
            QByteArray ack;
            QByteArray next;
        } steps[] = {
            {comPort(101, value), comPort(2, bytes({8}))},
            {comPort(102, bytes({8})), comPort(3, bytes({1}))},
            {comPort(103, bytes({1})), comPort(4, bytes({1}))},
            {comPort(104, bytes({1})), QByteArray()},
        };
        for (const auto &step : steps) {
            QVERIFY(!session.ready());
            QVERIFY(session.waitingForServer());
            QCOMPARE(session.takeOutgoing(), QByteArray());
            QCOMPARE(session.feed(step.ack), QByteArray());
            QCOMPARE(session.takeOutgoing(), step.next);
        }
        QVERIFY(session.ready());
        QVERIFY(!session.waitingForServer());
        QVERIFY(!session.failed());
        QCOMPARE(session.error(), QString());
    }

    void wrongAcknowledgementIsRefusal_data()
    {
        QTest::addColumn<int>("acknowledged");  // answers accepted before the wrong one
        QTest::addColumn<QByteArray>("wrong");
        QTest::addColumn<QString>("error");
        const QString speed = QStringLiteral("сервер не принимает скорость 9600");
        const QString format = QStringLiteral("сервер не принимает формат линии 8N1");
        QTest::newRow("other speed") << 0 << comPort(101, baudValue(4800)) << speed;
        QTest::newRow("speed cut short") << 0 << comPort(101, bytes({0, 0x25, 0x80})) << speed;
        QTest::newRow("7 data bits") << 1 << comPort(102, bytes({7})) << format;
        QTest::newRow("even parity") << 2 << comPort(103, bytes({3})) << format;
        QTest::newRow("2 stop bits") << 3 << comPort(104, bytes({2})) << format;
    }

    void wrongAcknowledgementIsRefusal()
    {
        QFETCH(int, acknowledged);
        QFETCH(QByteArray, wrong);
        QFETCH(QString, error);
        const QByteArray answers[] = {comPort(101, baudValue(9600)), comPort(102, bytes({8})),
                                      comPort(103, bytes({1}))};
        Rfc2217Session session;
        session.start({9600});
        session.feed(serverAgrees);
        for (int i = 0; i < acknowledged; ++i)
            session.feed(answers[i]);
        session.takeOutgoing();
        QVERIFY(!session.failed());

        session.feed(wrong);
        QVERIFY(session.failed());
        QVERIFY(!session.ready());
        QVERIFY(!session.waitingForServer());
        QCOMPARE(session.error(), error);
        // No further request after a refusal.
        QCOMPARE(session.takeOutgoing(), QByteArray());
    }

    void serverWithoutComPortOption_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("DONT") << bytes({IAC, DONT, COMPORT});
        QTest::newRow("WONT") << bytes({IAC, WONT, COMPORT});
    }

    void serverWithoutComPortOption()
    {
        QFETCH(QByteArray, answer);
        Rfc2217Session session;
        session.start({9600});
        QVERIFY(session.waitingForServer());
        session.feed(answer);
        QVERIFY(session.failed());
        QVERIFY(!session.waitingForServer());
        QCOMPARE(session.error(),
                 QStringLiteral("сервер не устанавливает скорость линии; используйте tcp://"));
        QCOMPARE(session.takeOutgoing(), QByteArray());
    }

    void answerToAnotherRequestIsNoAcknowledgement()
    {
        Rfc2217Session session;
        session.start({9600});
        session.feed(serverAgrees);
        session.takeOutgoing();
        // While the speed is awaited, other answers and notifications move nothing on.
        session.feed(comPort(102, bytes({8})) + comPort(104, bytes({1})) +
                     comPort(106, bytes({0})));
        QCOMPARE(session.takeOutgoing(), QByteArray());
        QVERIFY(session.waitingForServer());
        session.feed(comPort(101, baudValue(9600)));
        QCOMPARE(session.takeOutgoing(), comPort(2, bytes({8})));
    }

    void speedChangeIsOneAcknowledgedRequest()
    {
        Rfc2217Session session;
        makeReady(session);
        QVERIFY(session.ready());

        session.setBaudRate(115200);
        QVERIFY(!session.ready());
        QVERIFY(session.waitingForServer());
        QCOMPARE(session.takeOutgoing(), comPort(1, baudValue(115200)));
        session.feed(comPort(101, baudValue(115200)));
        QVERIFY(session.ready());
        QCOMPARE(session.takeOutgoing(), QByteArray());

        session.setBaudRate(4800);
        session.takeOutgoing();
        session.feed(comPort(101, baudValue(115200)));
        QVERIFY(session.failed());
        QCOMPARE(session.error(), QStringLiteral("сервер не принимает скорость 4800"));
    }

    void speedChangedDuringSetUpFollows()
    {
        Rfc2217Session session;
        session.start({9600});
        session.feed(serverAgrees);
        session.feed(comPort(101, baudValue(9600)));
        session.setBaudRate(4800);  // while the data size is being set
        session.feed(comPort(102, bytes({8})));
        session.feed(comPort(103, bytes({1})));
        session.takeOutgoing();
        session.feed(comPort(104, bytes({1})));
        QVERIFY(!session.ready());
        QCOMPARE(session.takeOutgoing(), comPort(1, baudValue(4800)));
        session.feed(comPort(101, baudValue(4800)));
        QVERIFY(session.ready());
    }

    void comPortOfferedBeforeStart()
    {
        // A server may ask for the option as soon as the connection is made.
        Rfc2217Session session;
        session.feed(bytes({IAC, DO, COMPORT}));
        QCOMPARE(session.takeOutgoing(), bytes({IAC, WILL, COMPORT}));
        QCOMPARE(session.start({9600}),
                 bytes({IAC, WILL, BINARY, IAC, DO, BINARY}) + comPort(1, baudValue(9600)));
    }

    void encodeDoublesIac_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("plain") << QByteArray("@01\r") << QByteArray("@01\r");
        QTest::newRow("one 0xFF") << bytes({IAC}) << bytes({IAC, IAC});
        QTest::newRow("0xFF inside")
            << bytes({'a', IAC, 'b', 0xFE}) << bytes({'a', IAC, IAC, 'b', 0xFE});
    }

    void encodeDoublesIac()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, wire);
        QCOMPARE(Rfc2217Session::encodeData(data), wire);  // decoding: feedStripsTelnetAtAnySplit
    }

    void feedStripsTelnetAtAnySplit_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("plain") << QByteArray("1234\r") << QByteArray("1234\r");
        QTest::newRow("doubled IAC") << bytes({'A', IAC, IAC, 'B'}) << bytes({'A', IAC, 'B'});
        QTest::newRow("NOP and go-ahead")
            << bytes({'A', IAC, NOP, 'B', IAC, GA, '\r'}) << QByteArray("AB\r");
        QTest::newRow("modem state with IAC in the value")
            << QByteArray("12") + comPort(107, bytes({IAC, IAC})) + QByteArray("34\r")
            << QByteArray("1234\r");
        QTest::newRow("flow control suspend and resume")
            << comPort(108, QByteArray()) + QByteArray("A") + comPort(109, QByteArray())
            << QByteArray("A");
        QTest::newRow("stray acknowledgement")
            << QByteArray("A") + comPort(101, baudValue(4800)) + QByteArray("B")
            << QByteArray("AB");
        QTest::newRow("other option's subnegotiation")
            << bytes({'A', IAC, SB, TTYPE, 1, IAC, SE, 'B'}) << QByteArray("AB");
        QTest::newRow("subnegotiation cut by a command")
            << bytes({'A', IAC, SB, COMPORT, 106, IAC, NOP, 'B'}) << QByteArray("AB");
        QTest::newRow("negotiation amid data")
            << bytes({'A', IAC, WILL, SGA, 'B', IAC, DO, BINARY, IAC, IAC})
            << bytes({'A', 'B', IAC});
    }

    void feedStripsTelnetAtAnySplit()
    {
        QFETCH(QByteArray, wire);
        QFETCH(QByteArray, data);
        for (qsizetype split = 0; split <= wire.size(); ++split) {
            Rfc2217Session session;
            makeReady(session);
            // Two statements: the operands of + are not evaluated in order.
            QByteArray got = session.feed(wire.left(split));
            got += session.feed(wire.mid(split));
            QVERIFY2(got == data, qPrintable(QStringLiteral("split at %1").arg(split)));
            QVERIFY(session.ready());
        }
        Rfc2217Session session;
        makeReady(session);
        QByteArray got;
        for (const char c : wire)
            got += session.feed(QByteArray(1, c));
        QCOMPARE(got, data);
    }

    void optionNegotiationWithoutLoops_data()
    {
        QTest::addColumn<QByteArray>("fromServer");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("WILL ECHO refused") << bytes({IAC, WILL, ECHO}) << bytes({IAC, DONT, ECHO});
        QTest::newRow("DO TTYPE refused") << bytes({IAC, DO, TTYPE}) << bytes({IAC, WONT, TTYPE});
        QTest::newRow("WONT after our refusal")
            << bytes({IAC, WILL, ECHO, IAC, WONT, ECHO}) << bytes({IAC, DONT, ECHO});
        QTest::newRow("DONT of an option that is off") << bytes({IAC, DONT, ECHO}) << QByteArray();
        QTest::newRow("WILL BINARY answers our DO") << bytes({IAC, WILL, BINARY}) << QByteArray();
        QTest::newRow("DO BINARY answers our WILL") << bytes({IAC, DO, BINARY}) << QByteArray();
        QTest::newRow("binary refused")
            << bytes({IAC, WONT, BINARY, IAC, DONT, BINARY}) << QByteArray();
        QTest::newRow("WILL SGA accepted") << bytes({IAC, WILL, SGA}) << bytes({IAC, DO, SGA});
        QTest::newRow("SGA switched off")
            << bytes({IAC, WILL, SGA, IAC, WONT, SGA}) << bytes({IAC, DO, SGA, IAC, DONT, SGA});
    }

    void optionNegotiationWithoutLoops()
    {
        QFETCH(QByteArray, fromServer);
        QFETCH(QByteArray, answer);
        Rfc2217Session session;
        session.start({9600});
        QCOMPARE(session.feed(fromServer), QByteArray());
        QCOMPARE(session.takeOutgoing(), answer);
        QVERIFY(!session.failed());
    }

    void busyServer_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("ser2net's refusal")
            << QByteArray("Port already in use\r\n") << true << QByteArray();
        QTest::newRow("the refusal without line end")
            << QByteArray("Port already in use") << true << QByteArray();
        QTest::newRow("other text")
            << QByteArray("Port 2 ready\r") << false << QByteArray("Port 2 ready\r");
        QTest::newRow("start of the text only") << QByteArray("Port alr") << false << QByteArray();
        // ser2net 4.3 offers its options to a second client, then refuses it.
        const QByteArray options =
            bytes({IAC,  WILL, SGA, IAC,    DO,  SGA,  IAC,    WILL, ECHO, IAC,    DONT,
                   ECHO, IAC,  DO,  BINARY, IAC, WILL, BINARY, IAC,  DO,   COMPORT});
        QTest::newRow("the text after negotiation")
            << options + QByteArray("Port already in use\r\n") << true << QByteArray();
        QTest::newRow("a start cut by negotiation")
            << QByteArray("Port") + bytes({IAC, DO, BINARY}) + QByteArray(" already in use") << true
            << QByteArray();
    }

    void busyServer()
    {
        QFETCH(QByteArray, stream);
        QFETCH(bool, busy);
        QFETCH(QByteArray, data);
        for (const bool byteByByte : {false, true}) {
            Rfc2217Session session;
            session.start({9600});
            QByteArray got;
            if (byteByByte) {
                for (const char c : stream)
                    got += session.feed(QByteArray(1, c));
            } else {
                got = session.feed(stream);
            }
            QCOMPARE(session.failed(), busy);
            QCOMPARE(got, data);
            if (busy) {
                QCOMPARE(session.error(), busyRefusalReason());
                QVERIFY(session.error().contains(QStringLiteral("занят другим клиентом")));
            }
        }
        // A raw TCP stream has no telnet commands.
        if (!stream.contains(char(IAC)))
            QCOMPARE(matchBusyRefusal(stream) == BusyRefusal::Busy, busy);
    }
};

QTEST_APPLESS_MAIN(Rfc2217Test)
#include "test_rfc2217.moc"
