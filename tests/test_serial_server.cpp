// The exchange through a real ser2net in front of the simulated detector:
// the speed search over RFC 2217 reaches the line, and a second client is
// refused with the server's own words. (A raw TCP port, a server gone and
// back, and the refusal's forms are the network port's tests, on a scripted
// server.)

#include "link/anyport.h"
#include "link/exchange.h"
#include "support/ser2netserver.h"
#include "support/simdetector.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeout = 20000;

// A simulated detector at `baud`, address 1, behind ser2net.
struct Line {
    Line(int baud, Ser2netServer::Mode mode)
        : sim(QStringLiteral(VERKAN_SIM_PATH), dir,
              {u"--baud"_s, QString::number(baud), u"--address"_s, u"1"_s, u"--quiet"_s}),
          server(sim.tty(), mode)
    {
    }
    bool up() { return sim.ready() && server.start(); }
    PortDescription port() const { return *PortDescription::parse(server.url()); }
    // No COM number leads anywhere: only the server's port is used.
    static QProcessEnvironment noComPorts()
    {
        QProcessEnvironment env;
        for (int n = 1; n <= 16; ++n)
            env.insert(u"VERKAN_COM%1"_s.arg(n), u"/nonexistent/verkan-tty%1"_s.arg(n));
        return env;
    }

    QTemporaryDir dir;
    SimDetector sim;
    Ser2netServer server;
};

// The engine on a port of any kind, counting what it reports.
struct Engine {
    AnyPortService port{Line::noComPorts()};
    Exchange exchange{port};
    QSignalSpy found{&exchange, &Exchange::speedFound};
    QSignalSpy statuses{&exchange, &Exchange::statusReceived};
    QSignalSpy lost{&exchange, &Exchange::linkLost};
    QSignalSpy failed{&exchange, &Exchange::startFailed};

    bool polls(int more)
    {
        return QTest::qWaitFor([&] { return statuses.size() >= more; }, kTimeout);
    }
};

}  // namespace

class TestSerialServer : public QObject {
    Q_OBJECT
private slots:
    void init() { SER2NET_REQUIRED(); }
    void speedSearchThroughRfc2217_data();
    void speedSearchThroughRfc2217();
    void secondClientIsRefused();
};

void TestSerialServer::speedSearchThroughRfc2217_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("4800") << 4800;
    QTest::newRow("115200") << 115200;
}

void TestSerialServer::speedSearchThroughRfc2217()
{
    QFETCH(int, baud);
    Line line(baud, Ser2netServer::Mode::Rfc2217);
    QVERIFY2(line.up(), qPrintable(line.server.errorText()));
    Engine engine;
    QVERIFY(engine.exchange.start(line.port(), 1, 1).started);
    QVERIFY(engine.found.wait(kTimeout));
    QCOMPARE(engine.found.first().first().toInt(), baud);
    // Speeds set over the server reach the line: more than one was tried
    // unless the first was right, and the polls go on at the one found.
    QVERIFY(engine.polls(engine.statuses.size() + 5));
    QCOMPARE(engine.port.baudRate(), baud);
    QVERIFY(engine.failed.isEmpty());
}

void TestSerialServer::secondClientIsRefused()
{
    Line line(19200, Ser2netServer::Mode::Rfc2217NoKick);
    QVERIFY2(line.up(), qPrintable(line.server.errorText()));
    Engine first;
    QVERIFY(first.exchange.start(line.port(), 1, 1).started);
    QVERIFY(first.polls(3));

    Engine second;
    QVERIFY(second.exchange.start(line.port(), 1, 1).started);
    QVERIFY(second.failed.wait(kTimeout));
    QCOMPARE(second.failed.first().at(0).value<SerialPortService::OpenError>(),
             SerialPortService::OpenError::ServerBusy);
    QVERIFY2(second.failed.first().at(1).toString().contains(u"Port already in use"_s),
             qPrintable(second.failed.first().at(1).toString()));
    QVERIFY(!second.exchange.isRunning());
    QVERIFY(second.statuses.isEmpty());
    // The client that holds the line is not disturbed.
    QVERIFY(first.polls(first.statuses.size() + 3));
    QVERIFY(first.lost.isEmpty());
}

QTEST_MAIN(TestSerialServer)
#include "test_serial_server.moc"
