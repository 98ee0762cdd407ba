// The port behind a serial server, against a scripted raw or RFC 2217 server on 127.0.0.1.
#include "link/networkport.h"
#include "support/telnet.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace telnet;
using OpenError = SerialPortService::OpenError;

namespace {

constexpr int kWait = 5000;  // generous: the port's own limits are 2 s and 3 s

QString urlOf(bool telnet, quint16 port)
{
    return u"%1://127.0.0.1:%2"_s.arg(telnet ? u"rfc2217"_s : u"tcp"_s).arg(port);
}

QByteArrayList eachByte(const QByteArray &text)
{
    QByteArrayList out;
    for (const char c : text)
        out << QByteArray(1, c);
    return out;
}

// A serial server on a free local port; telnet, it agrees to COM-PORT-OPTION unless silent and
// acknowledges each setting after `ackDelayMs`. Each frame (to CR) is answered with `reply`.
class FakeServer : public QObject {
public:
    bool telnet = false;
    QByteArrayList greeting;  // sent on every connection, one segment at a time
    bool closeAfterGreeting = false;
    bool silent = false;        // answers no telnet negotiation
    int baudAnswer = 0;         // the speed every SET-BAUDRATE is acknowledged with; 0: as asked
    int ackDelayMs = 0;         // -1: never
    QByteArray beforeSetupEnd;  // glued in front of the set-up's last acknowledgement
    QByteArrayList reply;
    int gapMs = 5;  // between segments sent

    QStringList events;         // "connect", "baud N", "size N", "parity N", "stop N", "frame"
    QByteArrayList frames;      // the line's bytes of each frame, CR included
    QByteArrayList dataChunks;  // every read from the client that carried line bytes
    bool requestBeforeAck = false;

    FakeServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, this,
                         [this] { accept(); });
    }
    QString url() const { return urlOf(telnet, m_server.serverPort()); }
    // Sends `segments` one by one, `gapMs` apart so that each is read alone.
    void send(const QByteArrayList &segments, bool thenClose = false)
    {
        int at = 0;
        for (const QByteArray &segment : segments)
            QTimer::singleShot(at += gapMs, this, [this, segment] { write(segment); });
        if (thenClose)
            QTimer::singleShot(at + gapMs, this, [this] {
                if (m_client)
                    m_client->close();
            });
    }

private:
    void accept()
    {
        m_client = m_server.nextPendingConnection();
        m_client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_parse = 0;
        m_ackPending = false;
        events << u"connect"_s;
        QObject::connect(m_client, &QTcpSocket::readyRead, this, [this] { read(); });
        send(greeting, closeAfterGreeting);
    }
    void write(const QByteArray &segment)
    {
        if (m_client)
            m_client->write(segment);
    }
    void read()
    {
        const QByteArray chunk = m_client->readAll();
        bool carriesData = false;
        for (const char c : chunk) {
            const int b = static_cast<std::uint8_t>(c);
            const int state = std::exchange(m_parse, 0);
            if (!telnet || (state == 0 && b != IAC) || (state == IAC && b == IAC)) {
                carriesData = true;
                lineByte(c);
            } else if (state == 0 || (state == IAC && b >= WILL)) {
                m_parse = b;  // IAC, or a verb waiting for its option
            } else if (state == IAC && b == SB) {
                m_sub.clear();
                m_parse = SB;
            } else if (state == SB || (state == SE && b == IAC)) {
                // SE stands for an IAC inside: SE or a doubled IAC follows.
                m_parse = state == SB && b == IAC ? SE : SB;
                if (m_parse == SB)
                    m_sub.append(c);
            } else if (state == SE) {
                subnegotiation();
            } else if (state != IAC) {
                command(state, b);
            }
        }
        if (carriesData)
            dataChunks << chunk;
    }
    void lineByte(char c)
    {
        m_frame.append(c);
        if (c != '\r')
            return;
        frames << std::exchange(m_frame, QByteArray());
        events << u"frame"_s;
        send(reply);
    }
    void command(int verb, int option)
    {
        if (verb == WILL && option == COMPORT) {
            if (!silent)
                write(bytes({IAC, DO, COMPORT}));
        } else if ((verb == WILL || verb == DO) && option == 0 && !silent) {
            write(bytes({IAC, verb == WILL ? DO : WILL, 0}));
        }
    }
    void subnegotiation()
    {
        if (m_sub.size() < 3 || m_sub[0] != char(COMPORT))
            return;
        const int command = m_sub[1];
        QByteArray value = m_sub.mid(2);
        static const QStringList names{u"baud"_s, u"size"_s, u"parity"_s, u"stop"_s};
        if (command < 1 || command > 4)
            return;
        const int number = command == 1 ? int(qFromBigEndian<quint32>(value.constData()))
                                        : static_cast<std::uint8_t>(value[0]);
        events << names[command - 1] + u' ' + QString::number(number);
        // The client may ask again only once the request before is answered.
        requestBeforeAck |= m_ackPending;
        m_ackPending = true;
        if (command == 1 && baudAnswer)
            value = baudValue(baudAnswer);
        if (ackDelayMs < 0)
            return;
        QTimer::singleShot(ackDelayMs, this, [this, command, value] {
            m_ackPending = false;
            write((command == 4 ? beforeSetupEnd : QByteArray()) +
                  comPort(command + 100, Rfc2217Session::encodeData(value)));
        });
    }

    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    int m_parse = 0;  // 0 in the line's bytes, else the telnet code being read
    QByteArray m_sub;
    QByteArray m_frame;
    bool m_ackPending = false;
};

// The port under test, with whatever it delivered and signalled.
struct Client {
    NetworkPortService port;
    QSignalSpy ready{&port, &SerialPortService::ready};
    QSignalSpy failed{&port, &SerialPortService::openFailed};
    QByteArray received;

    explicit Client(const QString &url)
    {
        port.setPort(*PortDescription::parse(url));
        QObject::connect(&port, &SerialPortService::dataReceived,
                         [this] { received += port.readAll(); });
    }
};

const QStringList kSetup9600{u"baud 9600"_s, u"size 8"_s, u"parity 1"_s, u"stop 1"_s};

}  // namespace

class NetworkPortTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Nothing here opens a local port; should anything try, it finds none.
        for (int n = 1; n <= 16; ++n)
            qputenv(qPrintable(u"VERKAN_COM%1"_s.arg(n)), "/nonexistent/ttyN");
    }

    // A frame goes out in one write, 0xFF doubled on telnet; the reply comes back whole.
    void frameAndReply_data()
    {
        QTest::addColumn<bool>("telnet");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("onWire");
        QTest::addColumn<QByteArrayList>("reply");
        QTest::addColumn<QByteArray>("expected");
        // Bytes glued to the set-up's last acknowledgement: not the line's.
        QTest::addColumn<QByteArray>("noise");
        const QByteArray frame = "$010f010c\r", gain = "!0f0514\r";
        const QByteArray ff = QByteArray("$") + char(IAC) + "\r";
        const QByteArray ffReply = QByteArray("!") + char(IAC) + "\r";
        const auto row = [](const char *name, bool telnet, const QByteArray &frame,
                            const QByteArray &onWire, const QByteArrayList &reply,
                            const QByteArray &expected, const QByteArray &noise = {}) {
            QTest::newRow(name) << telnet << frame << onWire << reply << expected << noise;
        };
        row("raw, byte by byte", false, frame, frame, eachByte(gain), gain);
        row("raw, 0xFF as it is", false, ff, ff, {ffReply}, ffReply);
        row("telnet, 0xFF doubled both ways", true, ff, "$\xff\xff\r", {"!\xff", "\xff\r"},
            ffReply);
        row("telnet, noise before the set-up's end", true, frame, frame, {gain}, gain, "~~~");
    }

    void frameAndReply()
    {
        QFETCH(bool, telnet);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, onWire);
        QFETCH(QByteArrayList, reply);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, noise);
        FakeServer server;
        server.telnet = telnet;
        server.beforeSetupEnd = noise;
        server.reply = reply;
        Client client(server.url());
        QVERIFY(client.port.open());
        QTRY_COMPARE_WITH_TIMEOUT(client.ready.count(), 1, kWait);
        QVERIFY(client.port.isReady());
        client.port.write(frame);
        QTRY_COMPARE_WITH_TIMEOUT(client.received, expected, kWait);
        QCOMPARE(server.frames, QByteArrayList{frame});
        QCOMPARE(server.dataChunks, QByteArrayList{onWire});
        QCOMPARE(client.failed.count(), 0);
        QVERIFY(client.port.isOpen());
    }

    // An open that cannot become ready says why, closes and delivers nothing.
    void openFails_data()
    {
        QTest::addColumn<bool>("telnet");
        QTest::addColumn<QString>("server");
        QTest::addColumn<OpenError>("error");
        QTest::addColumn<QString>("reason");  // empty: the error's own text
        const QString noControl = noLineControlReason(), busy = busyRefusalReason();
        const auto row = [](const char *name, bool telnet, const QString &server, OpenError error,
                            const QString &reason = {}) {
            QTest::newRow(name) << telnet << server << error << reason;
        };
        row("raw, nothing listening", false, u"none"_s, OpenError::ServerRefused);
        row("raw, connection not answered", false, u"unanswered"_s, OpenError::ServerSilent);
        row("telnet, no answer", true, u"silent"_s, OpenError::ServerLineSetup, noControl);
        row("telnet, no acknowledgement", true, u"no ack"_s, OpenError::ServerLineSetup, noControl);
        row("another speed", true, u"4800"_s, OpenError::ServerLineSetup,
            u"сервер не принимает скорость 9600"_s);
        row("raw, busy", false, u"busy"_s, OpenError::ServerBusy, busy);
        row("telnet, busy", true, u"busy"_s, OpenError::ServerBusy, busy);
        // Slower in all than the raw line's settle time, each piece within it: not quiet.
        row("raw, busy, slowly", false, u"busy slowly"_s, OpenError::ServerBusy, busy);
    }
    void openFails()
    {
        QFETCH(bool, telnet);
        QFETCH(QString, server);
        QFETCH(OpenError, error);
        QFETCH(QString, reason);
        FakeServer fake;
        fake.telnet = telnet;
        QString url = fake.url();
        // A full backlog and nothing accepted: further connections are never answered.
        QTcpServer full;
        if (server == u"unanswered") {
            full.setListenBacklogSize(0);
            QVERIFY(full.listen(QHostAddress::LocalHost));
            full.pauseAccepting();
            // One connection waiting to be accepted fills a backlog of 0.
            auto *filler = new QTcpSocket(&full);
            filler->connectToHost(QHostAddress::LocalHost, full.serverPort());
            QTRY_COMPARE_WITH_TIMEOUT(filler->state(), QAbstractSocket::ConnectedState, kWait);
            url = urlOf(telnet, full.serverPort());
        } else if (server == u"none") {
            QTcpServer gone;
            QVERIFY(gone.listen(QHostAddress::LocalHost));
            url = urlOf(telnet, gone.serverPort());
        } else if (server == u"silent") {
            fake.silent = true;
        } else if (server == u"no ack") {
            fake.ackDelayMs = -1;
        } else if (server.startsWith(u"busy")) {
            fake.greeting = {"Port already in use\r\n"};
            if (server == u"busy slowly") {
                fake.greeting = {"Port ", "alrea", "dy in", " use\r", "\n"};
                fake.gapMs = 50;
            }
            fake.closeAfterGreeting = true;
            fake.silent = true;  // it refuses before any negotiation
        } else {
            fake.baudAnswer = server.toInt();
        }
        Client client(url);
        QVERIFY(client.port.open());
        QTRY_COMPARE_WITH_TIMEOUT(client.failed.count(), 1, kWait);
        QCOMPARE(client.ready.count(), 0);
        QVERIFY(!client.port.isOpen());
        QCOMPARE(client.port.lastOpenError(), error);
        if (!reason.isEmpty())
            QCOMPARE(client.port.lastOpenErrorText(), reason);
        QVERIFY(!client.port.lastOpenErrorText().isEmpty());
        QCOMPARE(client.received, QByteArray());
        QCOMPARE(client.port.readAll(), QByteArray());
        // Whatever the closed connection still had in flight changes nothing.
        QTest::qWait(50);
        QCOMPARE(client.failed.count(), 1);
        QCOMPARE(client.ready.count(), 0);
    }

    // A speed change goes out before the next frame; a drop closes the port silently; the next
    // open sets the line up at the speed in use, then sends one asked for meanwhile.
    void speedChangeDropAndReconnect_data()
    {
        QTest::addColumn<bool>("telnet");
        QTest::addColumn<QByteArray>("lastWords");  // sent just before the server closes
        QTest::addColumn<QByteArray>("delivered");
        QTest::addColumn<QStringList>("events");
        const QStringList telnetEvents =
            QStringList{u"connect"_s} + kSetup9600 +
            QStringList{u"baud 19200"_s, u"frame"_s,    u"connect"_s, u"baud 19200"_s,
                        u"size 8"_s,     u"parity 1"_s, u"stop 1"_s,  u"baud 38400"_s};
        QTest::newRow("raw") << false << QByteArray("!0f") << QByteArray("!0f")
                             << QStringList{u"connect"_s, u"frame"_s, u"connect"_s};
        // A refusal slower than the settle time is still no line data.
        QTest::newRow("raw, a late refusal")
            << false << QByteArray("Port already in use\r\n") << QByteArray()
            << QStringList{u"connect"_s, u"frame"_s, u"connect"_s};
        QTest::newRow("telnet") << true << QByteArray("!0f") << QByteArray("!0f") << telnetEvents;
        QTest::newRow("telnet, subnegotiation cut by the close")
            << true << QByteArray("!0f") + bytes({IAC, SB, COMPORT, 107}) + "junk"
            << QByteArray("!0f") << telnetEvents;
    }
    void speedChangeDropAndReconnect()
    {
        QFETCH(bool, telnet);
        QFETCH(QByteArray, lastWords);
        QFETCH(QByteArray, delivered);
        QFETCH(QStringList, events);
        FakeServer server;
        server.telnet = telnet;
        server.ackDelayMs = 60;
        Client client(server.url());
        QVERIFY(client.port.open());
        QTRY_COMPARE_WITH_TIMEOUT(client.ready.count(), 1, kWait);
        client.port.setBaudRate(19200);
        client.port.write("$010f010c\r");
        QTRY_VERIFY_WITH_TIMEOUT(server.events.contains(u"frame"_s), kWait);
        server.send({lastWords}, true);
        QTRY_VERIFY_WITH_TIMEOUT(!client.port.isOpen(), kWait);
        QCOMPARE(client.failed.count(), 0);
        QCOMPARE(client.received, delivered);
        QVERIFY(client.port.open());
        if (telnet)
            QTRY_COMPARE_WITH_TIMEOUT(server.events.count(u"baud 19200"_s), 2, kWait);
        client.port.setBaudRate(38400);
        QTRY_COMPARE_WITH_TIMEOUT(client.ready.count(), 2, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(server.events, events, kWait);
        QVERIFY(!server.requestBeforeAck);
        QCOMPARE(client.failed.count(), 0);
        QCOMPARE(client.received, delivered);
        QCOMPARE(client.port.fixesLineSpeed(), !telnet);
    }
};

QTEST_GUILESS_MAIN(NetworkPortTest)
#include "test_networkport.moc"
