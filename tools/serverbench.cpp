// The exchange alone (no widgets, as verkan-cli runs it) against one port for
// a given time, measuring what a serial server adds: the round trip of every
// status poll (from the request's write to its decoded reply), the interval
// between slots, and the CPU the process used. A lost link is started again
// a second later, so that a server restart can be timed from the reply log.
//
// usage: serverbench --port PORT [--seconds S] [--warm-up S] [--address A]
//                    [--replies FILE] [--bare]
//
// --bare runs no exchange but the least any program can do on the line: the
// standing poll written every slot and whatever comes back read, in a plain
// poll() loop, on a device (at 115200 baud) or a raw TCP port (tcp://), so
// that the cost of the line itself can be told from the exchange's.
//
// --replies appends "EPOCH_MS RTT_US" for every status reply (wall clock, so
// that a script can line the replies up with a server's restart). The summary
// on standard output is one "name value" pair per line.
#include "bareloop.h"
#include "link/anyport.h"
#include "link/codec.h"
#include "link/exchange.h"
#include "link/protocol.h"
#include "link/statusreading.h"
#include "measuring.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <QFile>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A port that notes when each frame went out.
class TimedPort : public PassThroughPort {
public:
    using PassThroughPort::PassThroughPort;

    qint64 lastWriteNs = -1;
    std::vector<qint64> writeTimesNs;
    bool recording = false;

    void write(const QByteArray &frame) override
    {
        lastWriteNs = m_clock.nsecsElapsed();
        if (recording)
            writeTimesNs.push_back(lastWriteNs);
        m_inner.write(frame);
    }
};

int openBare(const PortDescription &where)
{
    if (where.kind() == PortDescription::Kind::Tcp) {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *found = nullptr;
        if (::getaddrinfo(qPrintable(where.host()), qPrintable(QString::number(where.tcpPort())),
                          &hints, &found) != 0)
            return -1;
        const int fd = ::socket(found->ai_family, SOCK_STREAM, 0);
        const bool connected = fd >= 0 && ::connect(fd, found->ai_addr, found->ai_addrlen) == 0;
        ::freeaddrinfo(found);
        if (!connected)
            return -1;
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return fd;
    }
    return openRawTerminal(where.devicePath());
}

// The standing poll every slot and whatever comes back read; returns the CPU
// share of one core over `measured` after `warmUp`, or -1.
double bareExchange(const PortDescription &where, int address, std::chrono::seconds warmUp,
                    std::chrono::seconds measured)
{
    const int fd = openBare(where);
    if (fd < 0)
        return -1;
    const double cpu = bareLoop(fd, address, warmUp, measured);
    return cpu < 0 ? -1 : 100.0 * cpu / std::chrono::duration<double>(measured).count();
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption portOpt(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
    const QCommandLineOption secondsOpt(QStringLiteral("seconds"), QString(), QStringLiteral("S"),
                                        QStringLiteral("60"));
    const QCommandLineOption warmUpOpt(QStringLiteral("warm-up"), QString(), QStringLiteral("S"),
                                       QStringLiteral("3"));
    const QCommandLineOption addressOpt(QStringLiteral("address"), QString(), QStringLiteral("A"),
                                        QStringLiteral("1"));
    const QCommandLineOption repliesOpt(QStringLiteral("replies"), QString(),
                                        QStringLiteral("FILE"));
    const QCommandLineOption bareOpt(QStringLiteral("bare"));
    parser.addOptions({portOpt, secondsOpt, warmUpOpt, addressOpt, repliesOpt, bareOpt});
    parser.process(app);
    QString error;
    const std::optional<PortDescription> where =
        PortDescription::parse(parser.value(portOpt), &error);
    if (!where) {
        std::fprintf(stderr, "serverbench: --port: %s\n", qPrintable(error));
        return 2;
    }
    const int seconds = parser.value(secondsOpt).toInt();
    const int warmUp = parser.value(warmUpOpt).toInt();
    const int address = parser.value(addressOpt).toInt();

    if (parser.isSet(bareOpt)) {
        const double share = bareExchange(*where, address, std::chrono::seconds(warmUp),
                                          std::chrono::seconds(seconds));
        if (share < 0) {
            std::fprintf(stderr, "serverbench: %s does not open\n", qPrintable(where->toString()));
            return 4;
        }
        std::printf("port %s\n", qPrintable(where->toString()));
        std::printf("cpu_share_of_one_core_percent %.3f\n", share);
        return 0;
    }

    QFile replies(parser.value(repliesOpt));
    if (!replies.fileName().isEmpty() && !replies.open(QIODevice::Append | QIODevice::Text)) {
        std::fprintf(stderr, "serverbench: cannot write %s\n", qPrintable(replies.fileName()));
        return 2;
    }
    QTextStream repliesOut(&replies);

    AnyPortService line;
    TimedPort port(line);
    Exchange exchange(port);
    std::vector<double> roundTripsUs;
    int linksLost = 0;
    double cpuAtStart = 0;
    qint64 measuredFromNs = 0;

    QObject::connect(&exchange, &Exchange::statusReceived, [&](const StatusReading &) {
        if (!exchange.statusIsCurrent() || port.lastWriteNs < 0)
            return;
        const double us = double(port.clock().nsecsElapsed() - port.lastWriteNs) / 1000.0;
        if (replies.isOpen())
            repliesOut << QDateTime::currentMSecsSinceEpoch() << ' ' << qint64(us) << '\n';
        if (port.recording)
            roundTripsUs.push_back(us);
    });
    QObject::connect(&exchange, &Exchange::linkLost, [&] {
        ++linksLost;
        QTimer::singleShot(1000, [&] { exchange.start(*where, address, 1); });
    });
    QObject::connect(&exchange, &Exchange::startFailed,
                     [&](SerialPortService::OpenError, const QString &reason) {
                         std::fprintf(stderr, "serverbench: %s\n", qPrintable(reason));
                         QTimer::singleShot(1000, [&] { exchange.start(*where, address, 1); });
                     });
    if (!exchange.start(*where, address, 1).started) {
        std::fprintf(stderr, "serverbench: %s\n", qPrintable(line.lastOpenErrorText()));
        return 4;
    }
    QTimer::singleShot(warmUp * 1000, [&] {
        port.recording = true;
        cpuAtStart = cpuSeconds();
        measuredFromNs = port.clock().nsecsElapsed();
    });
    QTimer::singleShot((warmUp + seconds) * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuAtStart;
    const double wall = double(port.clock().nsecsElapsed() - measuredFromNs) / 1e9;
    exchange.stop();
    if (replies.isOpen())
        repliesOut.flush();

    std::vector<double> slotsMs;
    for (size_t i = 1; i < port.writeTimesNs.size(); ++i)
        slotsMs.push_back(double(port.writeTimesNs[i] - port.writeTimesNs[i - 1]) / 1e6);
    std::printf("port %s\n", qPrintable(where->toString()));
    std::printf("polls_answered %zu\n", roundTripsUs.size());
    std::printf("rtt_median_us %.0f\n", percentile(roundTripsUs, 0.5));
    std::printf("rtt_p99_us %.0f\n", percentile(roundTripsUs, 0.99));
    std::printf("slot_median_ms %.2f\n", percentile(slotsMs, 0.5));
    std::printf("slot_p99_ms %.2f\n", percentile(slotsMs, 0.99));
    std::printf("cpu_share_of_one_core_percent %.3f\n", wall > 0 ? 100.0 * cpu / wall : 0.0);
    std::printf("links_lost %d\n", linksLost);
    return roundTripsUs.empty() ? 3 : 0;
}
