// The line watch measured against a simulated line (verkan-sim --addresses,
// a child of this process): LineWatch and LineStates run here, with no
// widgets, as the line view and verkan-cli watch run them.
//
// usage: linebench refresh|latency|soak|cpu|restart [SECONDS] [options]
//
//   refresh  SECONDS (60) of a clean line: the longest time between two
//            valid replies to the same (address, flank), median, 99th
//            percentile and maximum. A reply counts as the watch takes it:
//            complete, checksum right, the first of its slot and no sooner
//            after the poll's write call returned than the wire allows; the
//            watch's own count of dropped replies is printed beside it, and
//            how many of them came soon only after a slow write call.
//   latency  --trials N (200) alarms, each on a random flank of a random
//            address at a random moment of the round: the time from the
//            command to the simulator until the table (LineStates's row)
//            shows the alarm. The flank is then set back to norm, and the
//            next trial, at another flank, comes at a random moment of the
//            next round; every norm must be shown too. With --cli PATH the
//            line is watched by `PATH watch --json` instead, and the time is
//            until its output line for the alarm is read. With --mqtt
//            HOST:PORT as well that watch publishes the line to the broker
//            there, and the time is until a subscriber on it receives the
//            alarm's event (the output line's time is given beside); the
//            round is then the one the simulator heard in this run (its log
//            of every poll), and the target is that round plus 100 ms.
//   soak     SECONDS (3600): a random change (flank 1 or 2 to another of
//            norm, alarm, level, break, short; the tamper contact to its
//            other state) at a random address every 0.2 to 2 s (uniform),
//            1 % of every detector's replies with a wrong checksum and one
//            address (--silent, 16) cut off for --silence-period (30 s)
//            every other period. A change is injected only at an (address,
//            item) whose previous change has been reported, so that every
//            change stands until a poll can see it. Checked: every injected
//            change reported exactly once, at its address, with its state;
//            no other flank or tamper event; link events only for the cut
//            address, one lost per cut and one alive per return; the
//            resident memory once a minute.
//   cpu      SECONDS (60) of CPU use by --load: "line" (the watch of every
//            address, with LineStates), "exchange" (the single-detector
//            Exchange against one simulated detector, as verkan-cli status
//            runs it) or "bare" (a plain poll() loop writing a status poll
//            every slot and reading what comes back: the least any program
//            can do on this line at this rate). The script runs the three at
//            once, each against its own simulator. "cli": `--cli PATH watch
//            --json`, with --mqtt HOST:PORT publishing to that broker, with
//            one flank change a second; the CPU is that child's.
//   restart  `--cli PATH watch --mqtt HOST:PORT` with a flank change every
//            --event-ms (200); --restart-at S (10) after the line is up the
//            broker (--broker-command, started by this tool) is stopped with
//            SIGTERM and started again --down S (5) later; --after S (15)
//            more of events. Every event the watch printed must reach a
//            subscriber with a persistent session, in order; duplicates are
//            counted.
//
// Options: --addresses LIST (1-16), --baud B (19200), --warm-up S (5),
// --seed N (1), --report FILE (the summary, also on standard output),
// --trace FILE (soak and latency: every injection and report, one a line),
// --sim-log FILE (the simulator's log). The summary is one "name value"
// pair per line. Exits 1 when a target or a check failed, 2 on bad usage,
// 4 when the line did not come up.
#include "bareloop.h"
#include "link/addresslist.h"
#include "link/exchange.h"
#include "link/linewatch.h"
#include "link/portdescription.h"
#include "link/protocol.h"
#include "link/qtserialport.h"
#include "link/receiver.h"
#include "measuring.h"
#include "monitor/linestates.h"
#include "monitor/statusdecoder.h"
#include "mqtt/linetopics.h"
#include "mqtt/mosquittoclient.h"
#include "simprocess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace {

double maximum(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// Times in whole milliseconds up to a limit, in a table made whole at the
// start: a long run keeps its samples without growing, so that the resident
// memory it reports is the watch's.
class Histogram {
public:
    explicit Histogram(int limitMs) : m_counts(std::size_t(limitMs) + 1, 0) {}
    void add(double valueMs)
    {
        const auto bin = std::size_t(std::clamp(valueMs, 0.0, double(m_counts.size() - 1)));
        ++m_counts[bin];
        ++m_total;
        m_max = std::max(m_max, valueMs);
    }
    qint64 count() const { return m_total; }
    double max() const { return m_max; }
    // The upper end of the millisecond holding the p-th share of the samples.
    double percentile(double p) const
    {
        if (m_total == 0)
            return 0;
        const auto rank = qint64(p * double(m_total - 1) + 0.5) + 1;
        qint64 seen = 0;
        for (std::size_t i = 0; i < m_counts.size(); ++i) {
            seen += m_counts[i];
            if (seen >= rank)
                return std::min(double(i + 1), m_max);
        }
        return m_max;
    }

private:
    std::vector<qint64> m_counts;
    qint64 m_total = 0;
    double m_max = 0;
};

speed_t terminalSpeed(int baud)
{
    switch (baud) {
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    default:
        return B115200;
    }
}

// A port that counts what crosses it. Every write is a poll: its address and
// flank are noted with the time. With `assemble` on, the bytes read are also
// put through a reply assembler of its own, so that the replies the watch
// takes can be timed per (address, flank): a valid status reply, the first
// since the poll, no sooner after it than the wire allows, and before the
// next poll (as LineWatch takes them).
class CountingPort : public PassThroughPort, private ReplyHandler {
public:
    CountingPort(SerialPortService &inner, bool assemble)
        : PassThroughPort(inner), m_assemble(assemble)
    {
    }

    // Called with (address, flank, ns since the last such reply, or -1 for
    // the first) for every reply the watch takes.
    std::function<void(int, int, qint64)> onReply;
    // Called before every poll goes out, the last one's address and flank
    // still in pollAddress() and pollFlank().
    std::function<void()> onWrite;
    int pollAddress() const { return m_pollAddress; }
    // When each poll went out, while recording.
    bool recordWrites = false;
    std::vector<qint64> writeTimesNs;
    int pollFlank() const { return m_pollFlank; }
    qint64 writes = 0;
    qint64 bodies = 0;       // replies closed by a CR, valid or not
    qint64 validStatus = 0;  // of them, valid status replies
    qint64 replies = 0;      // of them, taken as the answer to a poll
    // Valid replies that came too soon after the poll timed from the end of
    // its write call, as the watch times it, but not timed from its
    // beginning; and the longest write call.
    qint64 tooSoonOnlyFromWriteEnd = 0;
    qint64 longestWriteNs = 0;
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }
    // The time since each (address, flank)'s last taken reply, in ns.
    std::map<std::pair<int, int>, qint64> lastReplyNs;

    QByteArray readAll() override
    {
        const QByteArray bytes = m_inner.readAll();
        if (m_assemble && !bytes.isEmpty())
            m_assembler.feed(bytes, *this);
        return bytes;
    }
    void write(const QByteArray &frame) override
    {
        ++writes;
        if (recordWrites)
            writeTimesNs.push_back(m_clock.nsecsElapsed());
        if (onWrite)
            onWrite();
        if (m_assemble) {
            // "$AACCFF0c\r": address, code, flank.
            m_pollAddress = frame.mid(1, 2).toInt(nullptr, 16);
            m_pollFlank = frame.mid(5, 2).toInt(nullptr, 16);
            m_pollAt = m_clock.nsecsElapsed();
            m_answered = false;
            m_assembler.dropBody();
        }
        m_inner.write(frame);
        if (m_assemble) {
            m_pollWrittenAt = m_clock.nsecsElapsed();
            longestWriteNs = std::max(longestWriteNs, m_pollWrittenAt - m_pollAt);
        }
    }

private:
    void bodyClosed() override { ++bodies; }
    void frameEnd() override {}
    void pauseExchange() override {}
    void settingReply(int, const QString &) override {}
    void statusReply(const QString &) override
    {
        ++validStatus;
        const qint64 now = m_clock.nsecsElapsed();
        if (m_answered || m_pollAddress < 0)
            return;
        // LineWatch times its poll from the end of the write call.
        const qint64 shortestUs = LineWatch::shortestAnswerMicroseconds(m_inner.baudRate());
        if ((now - m_pollWrittenAt) / 1000 < shortestUs) {
            if ((now - m_pollAt) / 1000 >= shortestUs)
                ++tooSoonOnlyFromWriteEnd;
            return;
        }
        m_answered = true;
        ++replies;
        const auto key = std::make_pair(m_pollAddress, m_pollFlank);
        const auto last = lastReplyNs.find(key);
        const qint64 since = last == lastReplyNs.end() ? -1 : now - last->second;
        lastReplyNs[key] = now;
        if (onReply)
            onReply(m_pollAddress, m_pollFlank, since);
    }

    bool m_assemble;
    ReplyAssembler m_assembler;
    int m_pollAddress = -1;
    int m_pollFlank = 1;
    qint64 m_pollAt = 0;
    qint64 m_pollWrittenAt = 0;
    bool m_answered = true;
};

struct Options {
    QString mode;
    int seconds = 0;
    QList<int> addresses;
    int baud = 19200;
    int warmUp = 5;
    quint32 seed = 1;
    int trials = 200;
    int silent = 16;
    int silencePeriod = 30;
    int badsum = 1;
    QString load = QStringLiteral("line");
    QString report;
    QString trace;
    QString simLog;
    QString cli;
    QString mqtt;           // HOST:PORT of a broker for verkan-cli watch --mqtt
    QString brokerCommand;  // restart: how to start the broker
    int restartAt = 10;     // restart: seconds of events before the broker stops
    int downSeconds = 5;    // restart: from stopping the broker to starting it again
    int after = 15;         // restart: seconds of events after it started again
    int eventMs = 200;      // restart: one event every so many ms
};

// The summary, on standard output and in the report file.
class Summary {
public:
    template <typename T> void add(const char *name, const T &value)
    {
        m_out << name << ' ' << value << '\n';
    }
    void write(const QString &path)
    {
        m_out.flush();
        std::fputs(qPrintable(m_text), stdout);
        std::fflush(stdout);
        if (path.isEmpty())
            return;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(m_text.toUtf8());
    }

private:
    QString m_text;
    QTextStream m_out{&m_text};
};

QString ms(double value)
{
    return QString::number(value, 'f', 1);
}

// The line under watch: the simulator, the port and the watch with its
// states, nothing started yet.
struct Line {
    QTemporaryDir work;
    SimProcess sim;
    QtSerialPortService serial;
    CountingPort port;
    LineWatch watch;
    LineStates states;

    Line(const QProcessEnvironment &env, bool assemble)
        : serial(env), port(serial, assemble), watch(port), states(watch)
    {
    }
};

QProcessEnvironment noComPorts()
{
    QProcessEnvironment env;
    for (int n = 1; n <= 16; ++n)
        env.insert(QStringLiteral("VERKAN_COM%1").arg(n),
                   QStringLiteral("/nonexistent/tty%1").arg(n));
    return env;
}

QStringList simOptions(const Options &o, const QString &addresses)
{
    QStringList options{QStringLiteral("--baud"), QString::number(o.baud), QStringLiteral("--seed"),
                        QString::number(o.seed)};
    if (!addresses.isEmpty())
        options << QStringLiteral("--addresses") << addresses;
    if (!o.simLog.isEmpty())
        options << QStringLiteral("--log") << o.simLog;
    return options;
}

bool startLine(Line &line, const Options &o)
{
    if (!line.sim.start(QStringLiteral(VERKAN_SIM_PATH), line.work.path(),
                        simOptions(o, addressListText(o.addresses)))) {
        std::fprintf(stderr, "linebench: the simulated line did not start\n");
        return false;
    }
    line.states.reset(o.addresses);
    const auto port = PortDescription::parse(line.sim.tty());
    if (!port || !line.watch.start(*port, o.addresses, o.baud)) {
        std::fprintf(stderr, "linebench: the watch could not open %s\n",
                     qPrintable(line.sim.tty()));
        return false;
    }
    return true;
}

// One round over every address and both flanks, in ms.
double roundMs(const Options &o)
{
    return double(2 * o.addresses.size()) * double(LineWatch::slotLength(o.baud).count());
}

// Calls `go` once the warm-up has passed, every address answers and one
// more round has brought the first readings of all of them; stores in
// `*upAfterMs` how long after the start every address answered. Quits with
// 4 when that takes a minute.
void whenLineIsUp(QCoreApplication &app, std::function<bool(int)> isAlive, const Options &o,
                  qint64 *upAfterMs, std::function<void()> go)
{
    auto *check = new QTimer(&app);
    auto *since = new QElapsedTimer;
    since->start();
    *upAfterMs = -1;
    QObject::connect(check, &QTimer::timeout, [&app, isAlive, &o, check, since, upAfterMs, go] {
        if (*upAfterMs < 0) {
            for (const int address : o.addresses) {
                if (!isAlive(address)) {
                    if (since->elapsed() > 60000) {
                        std::fprintf(stderr, "linebench: address %d did not answer\n", address);
                        check->stop();
                        app.exit(4);
                    }
                    return;
                }
            }
            *upAfterMs = since->elapsed();
        }
        if (since->elapsed() < qint64(o.warmUp) * 1000 ||
            since->elapsed() < *upAfterMs + roundMs(o))
            return;
        check->stop();
        delete since;
        go();
    });
    check->start(50);
}

std::function<bool(int)> aliveIn(const LineWatch &watch)
{
    return [&watch](int address) { return watch.isAlive(address); };
}

void addLineFacts(Summary &s, const Options &o)
{
    s.add("mode", o.mode);
    s.add("addresses", addressListText(o.addresses));
    s.add("baud", o.baud);
    s.add("slot_ms", qint64(LineWatch::slotLength(o.baud).count()));
    s.add("round_ms", ms(roundMs(o)));
}

// --- MQTT -----------------------------------------------------------------------

// The line's name in the topics when verkan-cli watch publishes it.
const QString kMqttLine = QStringLiteral("bench");

// verkan-cli watch on the simulated line, its events as JSON lines; with a
// broker it publishes the line there too.
QStringList cliWatchArguments(const Options &o, const QString &tty, bool mqtt)
{
    QStringList arguments{
        QStringLiteral("watch"),       QStringLiteral("--port"),     tty,
        QStringLiteral("--addresses"), addressListText(o.addresses), QStringLiteral("--baud"),
        QString::number(o.baud),       QStringLiteral("--json")};
    if (mqtt)
        arguments << QStringLiteral("--mqtt") << o.mqtt << QStringLiteral("--mqtt-line")
                  << kMqttLine;
    return arguments;
}

QProcessEnvironment cliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(noComPorts());
    return env;
}

// A subscriber to the line's events and status on the broker, in a session
// the broker keeps (a client id of its own, no clean session, QoS 1): while
// this client is away, also across a restart of a broker that persists its
// sessions, the broker queues the events for it, so that none is missed
// whichever of the watch and this client connects again first. A lost
// connection is tried again every 0.2 s.
class Subscriber : public QObject {
public:
    // Every message on the line's event and status topics.
    std::function<void(const QByteArray &topic, const QByteArray &payload, bool retained)>
        onMessage;
    int connections = 0;

    bool start(const QString &broker)
    {
        MqttSettings settings;
        QString error;
        if (!parseBrokerAddress(broker, settings, &error)) {
            std::fprintf(stderr, "linebench: --mqtt: %s\n", qPrintable(error));
            return false;
        }
        const QByteArray id = QByteArrayLiteral("linebench-") + QByteArray::number(::getpid());
        m_probe = QByteArrayLiteral("linebench/probe/") + id;
        m_options.host = settings.host;
        m_options.port = settings.effectivePort();
        m_options.clientId = id;
        m_options.cleanSession = false;
        m_options.keepAliveSeconds = 5;
        m_retry.setSingleShot(true);
        m_retry.setInterval(200);
        connect(&m_retry, &QTimer::timeout, this, &Subscriber::attempt);
        connect(&m_client, &MosquittoClient::connected, this, [this] {
            ++connections;
            const QByteArray line = (settingsPrefix() + u'/' + kMqttLine).toUtf8();
            m_client.subscribe(line + "/+/event", 1);
            m_client.subscribe(line + "/status", 1);
            // The broker handles a client's packets in order: the probe
            // coming back says the subscriptions above are in place.
            m_client.subscribe(m_probe, 0);
            m_client.publish(m_probe, QByteArray(), 0, false);
        });
        const auto again = [this](const QString &) {
            m_ready = false;
            m_retry.start();
        };
        connect(&m_client, &MosquittoClient::lost, this, again);
        connect(&m_client, &MosquittoClient::refused, this, again);
        connect(&m_client, &MosquittoClient::messageReceived, this,
                [this](const QByteArray &topic, const QByteArray &payload, bool retained) {
                    if (topic == m_probe)
                        m_ready = true;
                    else if (onMessage)
                        onMessage(topic, payload, retained);
                });
        attempt();
        return true;
    }
    bool isReady() const { return m_ready; }
    void stop() { m_client.close(); }

private:
    static QString settingsPrefix() { return MqttSettings().prefix; }
    void attempt()
    {
        QString error;
        if (!m_client.open(m_options, &error))
            m_retry.start();
    }

    MosquittoClient m_client;
    MosquittoClient::Options m_options;
    QByteArray m_probe;
    QTimer m_retry;
    bool m_ready = false;
};

// The round as the simulator heard it: the mean time between two polls of
// the same (address, flank) in its log (1 ms resolution), in ms, and the
// longest such time in *longestMs; 0 when the log has none.
double roundFromSimLog(const QString &path, double *longestMs)
{
    QFile log(path);
    *longestMs = 0;
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    // "2026-12-07T12:23:09.539 19200 < $010b010c": a status poll of address
    // 01, flank 01.
    const QRegularExpression poll(
        QStringLiteral("^(\\S+) \\d+ < \\$([0-9a-fA-F]{2})0[bB]([0-9a-fA-F]{2})"));
    std::map<QString, qint64> last;
    double sum = 0;
    qint64 count = 0;
    while (!log.atEnd()) {
        const auto match = poll.match(QString::fromLatin1(log.readLine()));
        if (!match.hasMatch())
            continue;
        const qint64 at =
            QDateTime::fromString(match.captured(1), Qt::ISODateWithMs).toMSecsSinceEpoch();
        const QString key = match.captured(2) + match.captured(3);
        const auto found = last.find(key);
        if (found != last.end()) {
            const double interval = double(at - found->second);
            sum += interval;
            ++count;
            *longestMs = std::max(*longestMs, interval);
        }
        last[key] = at;
    }
    return count > 0 ? sum / double(count) : 0;
}

// --- refresh --------------------------------------------------------------------

int refresh(QCoreApplication &app, const Options &o)
{
    Line line(noComPorts(), true);
    std::vector<double> intervalsMs;
    bool recording = false;
    line.port.onReply = [&](int, int, qint64 sinceNs) {
        if (recording && sinceNs >= 0)
            intervalsMs.push_back(double(sinceNs) / 1e6);
    };
    if (!startLine(line, o))
        return 4;
    qint64 writesAtStart = 0;
    qint64 bodiesAtStart = 0;
    qint64 repliesAtStart = 0;
    int droppedAtStart = 0;
    qint64 tooSoonAtStart = 0;
    qint64 upAfterMs = -1;
    whenLineIsUp(app, aliveIn(line.watch), o, &upAfterMs, [&] {
        recording = true;
        line.port.recordWrites = true;
        writesAtStart = line.port.writes;
        bodiesAtStart = line.port.bodies;
        repliesAtStart = line.port.replies;
        droppedAtStart = line.watch.droppedReplies();
        tooSoonAtStart = line.port.tooSoonOnlyFromWriteEnd;
        QTimer::singleShot(o.seconds * 1000, &app, &QCoreApplication::quit);
    });
    if (app.exec() != 0)
        return 4;
    // A flank not refreshed since some time before the end counts with that
    // time too, so that one never answered cannot pass.
    const qint64 end = line.port.nowNs();
    double worstMs = 0;
    QString worst;
    for (const int address : o.addresses) {
        for (int flank = 1; flank <= 2; ++flank) {
            const auto last = line.port.lastReplyNs.find({address, flank});
            const double openMs =
                last == line.port.lastReplyNs.end() ? 1e9 : double(end - last->second) / 1e6;
            if (openMs > worstMs) {
                worstMs = openMs;
                worst = QStringLiteral("%1/%2").arg(address).arg(flank);
            }
        }
    }
    const int dropped = line.watch.droppedReplies() - droppedAtStart;
    line.watch.stop();
    line.sim.stop();

    const double target = 2000;
    const double maxMs = std::max(maximum(intervalsMs), worstMs);
    // The slots as they went: the time between two polls.
    std::vector<double> slotsMs;
    const std::vector<qint64> &at = line.port.writeTimesNs;
    for (std::size_t i = 1; i < at.size(); ++i)
        slotsMs.push_back(double(at[i] - at[i - 1]) / 1e6);
    const double slotMeanMs =
        at.size() > 1 ? double(at.back() - at.front()) / 1e6 / double(at.size() - 1) : 0.0;
    Summary s;
    addLineFacts(s, o);
    s.add("all_answering_after_ms", upAfterMs);
    s.add("seconds", o.seconds);
    s.add("polls", line.port.writes - writesAtStart);
    s.add("replies_closed", line.port.bodies - bodiesAtStart);
    s.add("replies_taken", line.port.replies - repliesAtStart);
    s.add("replies_dropped_by_watch", dropped);
    s.add("replies_too_soon_only_from_write_end",
          line.port.tooSoonOnlyFromWriteEnd - tooSoonAtStart);
    s.add("longest_write_ms", QString::number(double(line.port.longestWriteNs) / 1e6, 'f', 2));
    s.add("slot_mean_ms", QString::number(slotMeanMs, 'f', 2));
    s.add("slot_p99_ms", QString::number(percentile(slotsMs, 0.99), 'f', 2));
    s.add("slot_max_ms", QString::number(maximum(slotsMs), 'f', 2));
    s.add("round_mean_ms", ms(slotMeanMs * 2 * double(o.addresses.size())));
    s.add("refresh_intervals", qint64(intervalsMs.size()));
    s.add("refresh_median_ms", ms(percentile(intervalsMs, 0.5)));
    s.add("refresh_p99_ms", ms(percentile(intervalsMs, 0.99)));
    s.add("refresh_max_ms", ms(maxMs));
    s.add("open_at_end_max_ms", ms(worstMs));
    s.add("open_at_end_worst", worst);
    s.add("refresh_target_ms", ms(target));
    const bool pass = !intervalsMs.empty() && maxMs <= target;
    s.add("result", pass ? "pass" : "FAIL");
    s.write(o.report);
    return pass ? 0 : 1;
}

// --- injecting and checking changes ------------------------------------------

// The items of a detector a change can be injected at.
enum Item { Flank1, Flank2, Tamper, ItemCount };
const char *const kItemNames[] = {"flank 1", "flank 2", "tamper"};
const QStringList kFlankStates = {QStringLiteral("norm"), QStringLiteral("alarm"),
                                  QStringLiteral("level"), QStringLiteral("break"),
                                  QStringLiteral("short")};

QString commandFor(int address, Item item, const QString &state)
{
    return item == Tamper
               ? QStringLiteral("%1 tamper %2\n").arg(address).arg(state)
               : QStringLiteral("%1 flank %2 %3\n").arg(address).arg(int(item) + 1).arg(state);
}

class Trace {
public:
    explicit Trace(const QString &path)
    {
        if (!path.isEmpty()) {
            m_file.setFileName(path);
            if (!m_file.open(QIODevice::WriteOnly | QIODevice::Text))
                std::fprintf(stderr, "linebench: cannot write %s\n", qPrintable(path));
        }
    }
    void line(const QString &text)
    {
        if (m_file.isOpen()) {
            // The wall clock, as the simulator's log has it.
            m_file.write((QDateTime::currentDateTime().toString(Qt::ISODateWithMs) +
                          QLatin1Char(' ') + text + QLatin1Char('\n'))
                             .toUtf8());
            m_file.flush();
        }
    }

private:
    QFile m_file;
};

// --- latency --------------------------------------------------------------------

// An event line of verkan-cli watch --json, or an event with no address.
LineEvent eventFromJson(const QByteArray &line)
{
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    LineEvent e;
    e.address = o.value(QStringLiteral("address")).toInt(0);
    const QString name = o.value(QStringLiteral("event")).toString();
    e.kind = name == QLatin1String("flank")    ? LineEventKind::Flank
             : name == QLatin1String("tamper") ? LineEventKind::Tamper
                                               : LineEventKind::Link;
    e.flank = o.value(QStringLiteral("flank")).toInt(0);
    e.state = o.value(QStringLiteral("state")).toString();
    e.time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
    return e;
}

int latency(QCoreApplication &app, const Options &o)
{
    Line line(noComPorts(), false);
    Trace trace(o.trace);
    QRandomGenerator random(o.seed);
    // The events come from LineStates here, or from the JSON lines of a
    // verkan-cli watch on the line, or, with --mqtt, from what that watch
    // publishes, as a subscriber to the broker receives it. Then its JSON
    // lines tell when every address answers, and are timed beside.
    const bool mqtt = !o.mqtt.isEmpty();
    QProcess cli;
    Subscriber subscriber;
    QSet<int> cliAlive;
    std::function<void(const LineEvent &)> seen;
    std::vector<double> jsonLatenciesMs;
    int jsonAddress = 0;  // the alarm under trial, until the JSON line shows it
    int jsonFlank = 0;
    QElapsedTimer sent;
    // The simulator logs every poll, for the round it heard.
    const QString simLog =
        mqtt && o.simLog.isEmpty() ? line.work.filePath(QStringLiteral("sim.log")) : o.simLog;
    if (o.cli.isEmpty()) {
        if (!startLine(line, o))
            return 4;
        // LineStates emits rowChanged (the table's row) and event together:
        // the time of one is the time of the other.
        QObject::connect(&line.states, &LineStates::event,
                         [&seen](const LineEvent &e) { seen(e); });
    } else {
        QStringList options = simOptions(o, addressListText(o.addresses));
        if (simLog != o.simLog)
            options << QStringLiteral("--log") << simLog;
        if (!line.sim.start(QStringLiteral(VERKAN_SIM_PATH), line.work.path(), options)) {
            std::fprintf(stderr, "linebench: the simulated line did not start\n");
            return 4;
        }
        if (mqtt) {
            subscriber.onMessage = [&seen](const QByteArray &topic, const QByteArray &payload,
                                           bool) {
                if (topic.endsWith("/event"))
                    seen(eventFromJson(payload));
            };
            if (!subscriber.start(o.mqtt))
                return 2;
        }
        cli.setProcessEnvironment(cliEnvironment());
        cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&cli, &QProcess::readyReadStandardOutput, [&] {
            while (cli.canReadLine()) {
                const LineEvent e = eventFromJson(cli.readLine());
                if (e.address <= 0 && e.state.isEmpty())
                    continue;
                if (e.kind == LineEventKind::Link) {
                    if (e.state == QLatin1String("alive"))
                        cliAlive.insert(e.address);
                    else
                        cliAlive.remove(e.address);
                }
                if (!mqtt) {
                    seen(e);
                } else if (e.kind == LineEventKind::Flank && e.address == jsonAddress &&
                           e.flank == jsonFlank && e.state == QLatin1String("alarm")) {
                    jsonLatenciesMs.push_back(double(sent.nsecsElapsed()) / 1e6);
                    jsonAddress = 0;
                }
            }
        });
        cli.start(o.cli, cliWatchArguments(o, line.sim.tty(), mqtt));
        QObject::connect(&cli, &QProcess::errorOccurred, [&app, &o](QProcess::ProcessError) {
            std::fprintf(stderr, "linebench: %s failed\n", qPrintable(o.cli));
            app.exit(4);
        });
        QObject::connect(&cli, &QProcess::finished, [&app] {
            std::fprintf(stderr, "linebench: verkan-cli watch ended\n");
            app.exit(4);
        });
    }
    std::vector<double> latenciesMs;
    int trialsMissed = 0;
    int unexpected = 0;
    int trial = 0;
    // The flank under trial (0: none) and the flanks set back to norm whose
    // norm has not been shown yet.
    int address = 0;
    int flank = 0;
    QSet<QPair<int, int>> backToNorm;
    QTimer next;
    next.setSingleShot(true);
    QTimer giveUp;
    giveUp.setSingleShot(true);
    const int round = int(roundMs(o));

    const auto startTrial = [&] {
        if (trial == o.trials) {
            // The last flanks set back to norm get a round to show it.
            QTimer::singleShot(round + 500, &app, &QCoreApplication::quit);
            return;
        }
        ++trial;
        do {
            address = o.addresses[int(random.bounded(int(o.addresses.size())))];
            flank = 1 + int(random.bounded(2));
        } while (backToNorm.contains({address, flank}));
        line.sim.command(commandFor(address, Item(flank - 1), QStringLiteral("alarm")).toLatin1());
        sent.start();
        jsonAddress = address;
        jsonFlank = flank;
        trace.line(QStringLiteral("inject %1 flank %2 alarm").arg(address).arg(flank));
        giveUp.start(10 * round);
    };
    const auto setBack = [&] {
        line.sim.command(commandFor(address, Item(flank - 1), QStringLiteral("norm")).toLatin1());
        backToNorm.insert({address, flank});
        address = 0;
        // The next alarm at a random moment of the round.
        next.start(int(random.bounded(round)));
    };
    QObject::connect(&next, &QTimer::timeout, startTrial);
    QObject::connect(&giveUp, &QTimer::timeout, [&] {
        ++trialsMissed;
        trace.line(QStringLiteral("MISSED %1 flank %2").arg(address).arg(flank));
        setBack();
    });
    seen = [&](const LineEvent &e) {
        if (trial == 0)
            return;  // the first readings
        if (e.kind == LineEventKind::Flank && e.address == address && e.flank == flank &&
            e.state == QLatin1String("alarm")) {
            giveUp.stop();
            const double elapsed = double(sent.nsecsElapsed()) / 1e6;
            latenciesMs.push_back(elapsed);
            trace.line(QStringLiteral("shown %1 flank %2 alarm after %3 ms")
                           .arg(address)
                           .arg(flank)
                           .arg(elapsed, 0, 'f', 1));
            setBack();
            return;
        }
        if (e.kind == LineEventKind::Flank && e.state == QLatin1String("norm") &&
            backToNorm.remove({e.address, e.flank}))
            return;
        ++unexpected;
        trace.line(QStringLiteral("UNEXPECTED ") + lineEventText(e).section(QLatin1Char(' '), 1));
    };
    qint64 upAfterMs = -1;
    if (o.cli.isEmpty())
        whenLineIsUp(app, aliveIn(line.watch), o, &upAfterMs, startTrial);
    else
        whenLineIsUp(
            app,
            [&](int address) {
                return cliAlive.contains(address) && (!mqtt || subscriber.isReady());
            },
            o, &upAfterMs, startTrial);
    if (app.exec() != 0)
        return 4;
    if (o.cli.isEmpty()) {
        line.watch.stop();
    } else {
        QObject::disconnect(&cli, &QProcess::finished, nullptr, nullptr);
        cli.terminate();
        if (!cli.waitForFinished(3000))
            cli.kill();
        subscriber.stop();
    }
    line.sim.stop();

    // With --mqtt the round the simulator heard in this run, else the nominal.
    double longestRoundMs = 0;
    const double measuredRoundMs = mqtt ? roundFromSimLog(simLog, &longestRoundMs) : 0;
    const double target = (measuredRoundMs > 0 ? measuredRoundMs : roundMs(o)) + 100;
    Summary s;
    addLineFacts(s, o);
    s.add("seen_in", o.cli.isEmpty() ? QStringLiteral("table")
                     : mqtt          ? QStringLiteral("mqtt")
                                     : QStringLiteral("json"));
    if (mqtt) {
        s.add("round_measured_ms", ms(measuredRoundMs));
        s.add("round_longest_ms", ms(longestRoundMs));
        s.add("json_latency_p50_ms", ms(percentile(jsonLatenciesMs, 0.5)));
        s.add("json_latency_p99_ms", ms(percentile(jsonLatenciesMs, 0.99)));
        s.add("json_latency_max_ms", ms(maximum(jsonLatenciesMs)));
        s.add("subscriber_connections", subscriber.connections);
    }
    s.add("trials", trial);
    s.add("trials_missed", trialsMissed);
    s.add("norm_not_shown", qint64(backToNorm.size()));
    s.add("unexpected_changes", unexpected);
    s.add("latency_p50_ms", ms(percentile(latenciesMs, 0.5)));
    s.add("latency_p99_ms", ms(percentile(latenciesMs, 0.99)));
    s.add("latency_max_ms", ms(maximum(latenciesMs)));
    s.add("latency_target_p99_ms", ms(target));
    const bool pass = trialsMissed == 0 && unexpected == 0 && backToNorm.isEmpty() &&
                      !latenciesMs.empty() && percentile(latenciesMs, 0.99) <= target;
    s.add("result", pass ? "pass" : "FAIL");
    s.write(o.report);
    return pass ? 0 : 1;
}

// --- restart --------------------------------------------------------------------

// verkan-cli watch --mqtt publishes the line while an event is injected every
// --event-ms; --restart-at s after the line is up the broker is stopped
// (SIGTERM, so that it saves its sessions) and --down s later started again;
// events go on for --after s more, then the tool waits until everything the
// watch printed has been received (at most 30 s). The watch's JSON lines are
// the events in their order; the subscriber must receive each of them, in
// that order. QoS 1 may deliver one twice around the restart: counted.
int restart(QCoreApplication &app, const Options &o)
{
    QTemporaryDir work;
    SimProcess sim;
    Trace trace(o.trace);
    QRandomGenerator random(o.seed);
    if (!sim.start(QStringLiteral(VERKAN_SIM_PATH), work.path(),
                   simOptions(o, addressListText(o.addresses)))) {
        std::fprintf(stderr, "linebench: the simulated line did not start\n");
        return 4;
    }
    QElapsedTimer clock;
    clock.start();
    const auto nowMs = [&clock] { return double(clock.nsecsElapsed()) / 1e6; };

    QStringList brokerCommand = QProcess::splitCommand(o.brokerCommand);
    QProcess broker;
    broker.setProcessChannelMode(QProcess::MergedChannels);
    broker.setStandardOutputFile(work.filePath(QStringLiteral("broker.out")), QIODevice::Append);
    const auto startBroker = [&] {
        broker.start(brokerCommand.first(), brokerCommand.mid(1));
        trace.line(QStringLiteral("broker started"));
    };
    startBroker();
    if (!broker.waitForStarted(5000)) {
        std::fprintf(stderr, "linebench: the broker did not start: %s\n",
                     qPrintable(o.brokerCommand));
        return 4;
    }

    // What the watch printed, in order, and when.
    std::vector<QByteArray> printed;
    std::vector<double> printedAtMs;
    QHash<QByteArray, int> indexOf;
    // What the subscriber received.
    QHash<QByteArray, int> receivedCount;
    qint64 messages = 0;
    qint64 duplicates = 0;
    std::vector<QByteArray> firstArrivals;  // each event's first delivery, in order
    double maxDelayMs = 0;
    double onlineAgainMs = -1;  // the watch's "online" once the broker is back
    double caughtUpMs = -1;     // every event printed before then received
    double stoppedAtMs = -1;
    double backAtMs = -1;
    int printedBeforeBack = -1;
    int outageEvents = 0;  // printed while the broker was away

    // Flanks whose last injected change has not been printed yet.
    struct Flank {
        QString state = QStringLiteral("norm");
        bool pending = false;
    };
    std::map<std::pair<int, int>, Flank> flanks;
    for (const int address : o.addresses)
        for (int flank = 1; flank <= 2; ++flank)
            flanks[{address, flank}] = {};
    int injected = 0;
    int injectedShown = 0;
    int noFreeFlank = 0;
    bool injecting = false;  // since the line was up, also after the last injection

    QSet<int> cliAlive;
    QProcess cli;
    Subscriber subscriber;
    const auto countCaughtUp = [&] {
        if (caughtUpMs >= 0 || printedBeforeBack < 0)
            return;
        for (int i = 0; i < printedBeforeBack; ++i)
            if (!receivedCount.contains(printed[std::size_t(i)]))
                return;
        caughtUpMs = nowMs() - backAtMs;
    };
    subscriber.onMessage = [&](const QByteArray &topic, const QByteArray &payload, bool retained) {
        if (topic.endsWith("/status")) {
            trace.line(QStringLiteral("status %1%2")
                           .arg(QString::fromUtf8(payload), retained ? " (retained)" : ""));
            if (backAtMs >= 0 && onlineAgainMs < 0 && !retained && payload == "online")
                onlineAgainMs = nowMs() - backAtMs;
            return;
        }
        ++messages;
        const QByteArray json = payload.trimmed();
        if (++receivedCount[json] > 1) {
            ++duplicates;
            trace.line(QStringLiteral("duplicate ") + QString::fromUtf8(json));
            return;
        }
        // The order is checked at the end: the subscriber may receive an
        // event before this tool has read the watch's line for it.
        firstArrivals.push_back(json);
        const auto index = indexOf.constFind(json);
        if (index != indexOf.cend())
            maxDelayMs = std::max(maxDelayMs, nowMs() - printedAtMs[std::size_t(*index)]);
        countCaughtUp();
    };
    if (!subscriber.start(o.mqtt))
        return 2;

    cli.setProcessEnvironment(cliEnvironment());
    cli.setStandardErrorFile(work.filePath(QStringLiteral("cli.err")));
    QObject::connect(&cli, &QProcess::readyReadStandardOutput, [&] {
        while (cli.canReadLine()) {
            const QByteArray json = cli.readLine().trimmed();
            const LineEvent e = eventFromJson(json);
            if (e.address <= 0)
                continue;
            indexOf.insert(json, int(printed.size()));
            printed.push_back(json);
            printedAtMs.push_back(nowMs());
            if (stoppedAtMs >= 0 && onlineAgainMs < 0)
                ++outageEvents;
            if (e.kind == LineEventKind::Link) {
                if (e.state == QLatin1String("alive"))
                    cliAlive.insert(e.address);
                else
                    cliAlive.remove(e.address);
            }
            if (e.kind == LineEventKind::Flank && injecting) {
                Flank &f = flanks[{e.address, e.flank}];
                if (f.pending && f.state == e.state) {
                    f.pending = false;
                    ++injectedShown;
                }
            }
        }
    });
    QObject::connect(&cli, &QProcess::finished, [&app] {
        std::fprintf(stderr, "linebench: verkan-cli watch ended\n");
        app.exit(4);
    });

    QTimer events;
    QObject::connect(&events, &QTimer::timeout, [&] {
        std::vector<std::pair<int, int>> free;
        for (const auto &[key, f] : flanks)
            if (!f.pending)
                free.push_back(key);
        if (free.empty()) {
            ++noFreeFlank;
            return;
        }
        const auto key = free[std::size_t(random.bounded(int(free.size())))];
        Flank &f = flanks[key];
        f.state =
            f.state == QLatin1String("norm") ? QStringLiteral("alarm") : QStringLiteral("norm");
        f.pending = true;
        ++injected;
        const QString command = commandFor(key.first, Item(key.second - 1), f.state);
        sim.command(command.toLatin1());
        trace.line(QStringLiteral("inject ") + command.trimmed());
    });
    QTimer down;
    down.setSingleShot(true);
    QObject::connect(&down, &QTimer::timeout, [&] {
        backAtMs = nowMs();
        printedBeforeBack = int(printed.size());
        startBroker();
    });
    QTimer done;
    QElapsedTimer waiting;
    QObject::connect(&done, &QTimer::timeout, [&] {
        bool pending = false;
        for (const auto &[key, f] : flanks)
            pending = pending || f.pending;
        qint64 received = 0;
        for (const QByteArray &json : printed)
            received += receivedCount.contains(json) ? 1 : 0;
        if ((!pending && received == qint64(printed.size())) || waiting.elapsed() > 30000)
            app.quit();
    });
    const auto stopBroker = [&] {
        stoppedAtMs = nowMs();
        trace.line(QStringLiteral("broker stopped"));
        broker.terminate();
        down.start(o.downSeconds * 1000);
        QTimer::singleShot((o.downSeconds + o.after) * 1000, &app, [&] {
            events.stop();
            waiting.start();
            done.start(100);
        });
    };

    // The watch starts once the subscriber's subscriptions are in place, so
    // that it receives the first readings too.
    QTimer waitForSubscriber;
    QObject::connect(&waitForSubscriber, &QTimer::timeout, [&] {
        if (!subscriber.isReady())
            return;
        waitForSubscriber.stop();
        cli.start(o.cli, cliWatchArguments(o, sim.tty(), true));
    });
    waitForSubscriber.start(50);
    qint64 upAfterMs = -1;
    whenLineIsUp(
        app, [&cliAlive](int address) { return cliAlive.contains(address); }, o, &upAfterMs,
        [&] {
            injecting = true;
            events.start(o.eventMs);
            QTimer::singleShot(o.restartAt * 1000, &app, stopBroker);
        });
    const int code = app.exec();
    QObject::disconnect(&cli, &QProcess::finished, nullptr, nullptr);
    cli.terminate();
    if (!cli.waitForFinished(5000))
        cli.kill();
    subscriber.stop();
    broker.terminate();
    if (!broker.waitForFinished(3000))
        broker.kill();
    sim.stop();
    if (code != 0)
        return 4;

    qint64 missing = 0;
    for (const QByteArray &json : printed) {
        if (!receivedCount.contains(json)) {
            ++missing;
            trace.line(QStringLiteral("MISSING ") + QString::fromUtf8(json));
        }
    }
    // Each event's first delivery must come after those of every event
    // printed before it.
    qint64 unknown = 0;
    qint64 outOfOrder = 0;
    int lastIndex = -1;
    for (const QByteArray &json : firstArrivals) {
        const auto index = indexOf.constFind(json);
        if (index == indexOf.cend()) {
            ++unknown;
            trace.line(QStringLiteral("UNKNOWN ") + QString::fromUtf8(json));
            continue;
        }
        if (*index < lastIndex) {
            ++outOfOrder;
            trace.line(QStringLiteral("OUT OF ORDER #%1 after #%2 ").arg(*index).arg(lastIndex) +
                       QString::fromUtf8(json));
        }
        lastIndex = std::max(lastIndex, *index);
    }
    int pending = 0;
    for (const auto &[key, f] : flanks)
        pending += f.pending ? 1 : 0;
    Summary s;
    addLineFacts(s, o);
    s.add("event_every_ms", o.eventMs);
    s.add("broker_down_s", o.downSeconds);
    s.add("events_injected", injected);
    s.add("events_injected_printed", injectedShown);
    s.add("events_injected_not_printed", pending);
    s.add("injections_skipped_no_free_flank", noFreeFlank);
    s.add("events_printed", qint64(printed.size()));
    s.add("events_printed_during_outage", outageEvents);
    s.add("messages_received", messages);
    s.add("events_delivered", qint64(printed.size()) - missing);
    s.add("events_missing", missing);
    s.add("events_duplicated", duplicates);
    s.add("events_out_of_order", outOfOrder);
    s.add("messages_unknown", unknown);
    s.add("subscriber_connections", subscriber.connections);
    s.add("publisher_online_after_broker_back_ms", ms(onlineAgainMs));
    s.add("outage_caught_up_after_broker_back_ms", ms(caughtUpMs));
    s.add("delivery_delay_max_ms", ms(maxDelayMs));
    const bool pass = injected > 0 && pending == 0 && injectedShown == injected && missing == 0 &&
                      outOfOrder == 0 && unknown == 0 && onlineAgainMs >= 0 && outageEvents > 0;
    s.add("result", pass ? "pass" : "FAIL");
    s.write(o.report);
    return pass ? 0 : 1;
}

// --- soak -----------------------------------------------------------------------

int soak(QCoreApplication &app, const Options &o)
{
    Line line(noComPorts(), true);
    Trace trace(o.trace);
    QRandomGenerator random(o.seed);
    const int silent = o.silent;

    struct Watched {
        QString state;     // as last reported
        QString expected;  // the change injected and not reported yet
        bool pending = false;
        qint64 injectedAtNs = 0;
        int reports = 0;
    };
    QHash<int, std::array<Watched, ItemCount>> items;
    for (const int address : o.addresses)
        items[address] = {};

    bool injecting = false;
    bool silenced = false;
    int injected = 0;
    int reportedOnce = 0;
    int falseChanges = 0;
    int initialReadings = 0;
    int cuts = 0;
    int returns = 0;
    int lostReports = 0;
    int aliveReports = 0;
    int otherLinkEvents = 0;
    int linkOutOfTurn = 0;
    int silentLink = -1;  // the cut address's link as last reported
    Histogram latenciesMs(120000);
    double silentLatencyMaxMs = 0;
    Histogram refreshMs(120000);  // every address but the cut one

    line.port.onReply = [&](int address, int, qint64 sinceNs) {
        if (injecting && address != silent && sinceNs >= 0)
            refreshMs.add(double(sinceNs) / 1e6);
    };
    QObject::connect(&line.states, &LineStates::event, [&](const LineEvent &e) {
        trace.line(QStringLiteral("report ") + lineEventText(e).section(QLatin1Char(' '), 1));
        if (e.kind == LineEventKind::Link) {
            if (e.address == silent && !injecting) {
                silentLink = e.state == QLatin1String("alive") ? 1 : 0;
                return;
            }
            if (e.address != silent) {
                if (e.state != QLatin1String("alive") || injecting)
                    ++otherLinkEvents;
                return;
            }
            const bool alive = e.state == QLatin1String("alive");
            (alive ? aliveReports : lostReports) += 1;
            // Lost only while cut off, alive only while answering, and never
            // twice the same.
            if (injecting && (alive == silenced || silentLink == int(alive)))
                ++linkOutOfTurn;
            silentLink = int(alive);
            return;
        }
        const Item item = e.kind == LineEventKind::Tamper ? Tamper : Item(e.flank - 1);
        if (!items.contains(e.address)) {
            ++falseChanges;
            return;
        }
        Watched &w = items[e.address][item];
        if (!injecting) {
            // The first readings: every detector starts in norm, closed.
            const QString initial =
                item == Tamper ? QStringLiteral("closed") : QStringLiteral("norm");
            if (e.state != initial || !w.state.isEmpty())
                ++falseChanges;
            else
                ++initialReadings;
            w.state = e.state;
            return;
        }
        if (!w.pending || e.state != w.expected) {
            ++falseChanges;
            trace.line(QStringLiteral("FALSE %1 %2 %3 (expected %4)")
                           .arg(e.address)
                           .arg(QLatin1String(kItemNames[item]))
                           .arg(e.state)
                           .arg(w.pending ? w.expected : QStringLiteral("nothing")));
            w.state = e.state;
            return;
        }
        w.pending = false;
        w.state = e.state;
        ++reportedOnce;
        const double elapsed = double(line.port.nowNs() - w.injectedAtNs) / 1e6;
        if (e.address == silent)
            silentLatencyMaxMs = std::max(silentLatencyMaxMs, elapsed);
        else
            latenciesMs.add(elapsed);
    });

    // A change at a random (address, item) whose last change was reported.
    QTimer events;
    events.setSingleShot(true);
    QObject::connect(&events, &QTimer::timeout, [&] {
        QList<QPair<int, Item>> free;
        for (const int address : o.addresses)
            for (int item = 0; item < ItemCount; ++item)
                if (!items[address][item].pending)
                    free.append({address, Item(item)});
        if (!free.isEmpty()) {
            const auto [address, item] = free[int(random.bounded(int(free.size())))];
            Watched &w = items[address][item];
            QString state;
            if (item == Tamper) {
                state = w.state == QLatin1String("open") ? QStringLiteral("closed")
                                                         : QStringLiteral("open");
            } else {
                QStringList others = kFlankStates;
                others.removeAll(w.state);
                state = others[int(random.bounded(int(others.size())))];
            }
            w.pending = true;
            w.expected = state;
            w.injectedAtNs = line.port.nowNs();
            ++injected;
            line.sim.command(commandFor(address, item, state).toLatin1());
            trace.line(QStringLiteral("inject ") + commandFor(address, item, state).trimmed());
        }
        events.start(200 + int(random.bounded(1801)));
    });
    QTimer silence;
    QObject::connect(&silence, &QTimer::timeout, [&] {
        silenced = !silenced;
        (silenced ? cuts : returns) += 1;
        line.sim.command(QStringLiteral("%1 silence %2\n")
                             .arg(silent)
                             .arg(silenced ? QStringLiteral("on") : QStringLiteral("off"))
                             .toLatin1());
        trace.line(QStringLiteral("silence %1 %2").arg(silent).arg(silenced ? "on" : "off"));
    });

    // Resident memory once a minute.
    std::vector<long> rss;
    QTimer minute;
    QObject::connect(&minute, &QTimer::timeout, [&] { rss.push_back(residentKiB()); });

    if (!startLine(line, o))
        return 4;
    qint64 bodiesAtStart = 0;
    qint64 validAtStart = 0;
    qint64 writesAtStart = 0;
    int droppedAtStart = 0;
    qint64 tooSoonAtStart = 0;
    QElapsedTimer wall;
    // A reply the watch dropped, traced with the slot it came in.
    int droppedSoFar = 0;
    line.port.onWrite = [&] {
        if (line.watch.droppedReplies() == droppedSoFar)
            return;
        droppedSoFar = line.watch.droppedReplies();
        trace.line(QStringLiteral("dropped a reply in the slot of %1 flank %2")
                       .arg(line.port.pollAddress())
                       .arg(line.port.pollFlank()));
    };
    // At the end the cut address answers again and the last changes get a
    // few rounds to be reported.
    const auto end = [&] {
        events.stop();
        silence.stop();
        if (silenced) {
            silenced = false;
            ++returns;
            line.sim.command(QStringLiteral("%1 silence off\n").arg(silent).toLatin1());
        }
        QTimer::singleShot(int(5 * roundMs(o)) + 2000, &app, &QCoreApplication::quit);
    };
    qint64 upAfterMs = -1;
    whenLineIsUp(app, aliveIn(line.watch), o, &upAfterMs, [&] {
        for (const int address : o.addresses)
            line.sim.command(
                QStringLiteral("%1 badsum %2\n").arg(address).arg(o.badsum).toLatin1());
        injecting = true;
        bodiesAtStart = line.port.bodies;
        validAtStart = line.port.validStatus;
        writesAtStart = line.port.writes;
        droppedAtStart = line.watch.droppedReplies();
        tooSoonAtStart = line.port.tooSoonOnlyFromWriteEnd;
        rss.push_back(residentKiB());
        wall.start();
        events.start(200 + int(random.bounded(1801)));
        silence.start(o.silencePeriod * 1000);
        minute.start(60000);
        QTimer::singleShot(o.seconds * 1000, end);
    });
    if (app.exec() != 0)
        return 4;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    rss.push_back(residentKiB());
    const qint64 bodies = line.port.bodies - bodiesAtStart;
    const qint64 corrupt = bodies - (line.port.validStatus - validAtStart);
    const qint64 polls = line.port.writes - writesAtStart;
    const int dropped = line.watch.droppedReplies() - droppedAtStart;
    line.watch.stop();
    line.sim.stop();

    int unreported = 0;
    for (auto it = items.cbegin(); it != items.cend(); ++it)
        for (int item = 0; item < ItemCount; ++item)
            if (it.value()[item].pending) {
                ++unreported;
                trace.line(QStringLiteral("UNREPORTED %1 %2 %3")
                               .arg(it.key())
                               .arg(QLatin1String(kItemNames[item]))
                               .arg(it.value()[item].expected));
            }

    Summary s;
    addLineFacts(s, o);
    s.add("all_answering_after_ms", upAfterMs);
    s.add("seconds", ms(elapsed));
    s.add("silent_address", silent);
    s.add("silence_period_s", o.silencePeriod);
    s.add("badsum_percent", o.badsum);
    s.add("initial_readings", initialReadings);
    s.add("changes_injected", injected);
    s.add("changes_reported_once", reportedOnce);
    s.add("changes_unreported", unreported);
    s.add("false_changes", falseChanges);
    s.add("cuts", cuts);
    s.add("returns", returns);
    s.add("link_lost_reports", lostReports);
    s.add("link_alive_reports", aliveReports);
    s.add("link_out_of_turn", linkOutOfTurn);
    s.add("link_events_other_addresses", otherLinkEvents);
    s.add("polls", polls);
    s.add("replies_closed", bodies);
    s.add("replies_corrupt", corrupt);
    s.add("replies_dropped_by_watch", dropped);
    s.add("replies_too_soon_only_from_write_end",
          line.port.tooSoonOnlyFromWriteEnd - tooSoonAtStart);
    s.add("longest_write_ms", QString::number(double(line.port.longestWriteNs) / 1e6, 'f', 2));
    s.add("report_p50_ms", ms(latenciesMs.percentile(0.5)));
    s.add("report_p99_ms", ms(latenciesMs.percentile(0.99)));
    s.add("report_max_ms", ms(latenciesMs.max()));
    s.add("report_cut_address_max_ms", ms(silentLatencyMaxMs));
    s.add("refresh_p99_ms", ms(refreshMs.percentile(0.99)));
    s.add("refresh_max_ms", ms(refreshMs.max()));
    const long rssFirst = rss.front();
    const long rssLast = rss.back();
    s.add("rss_first_kib", rssFirst);
    s.add("rss_last_kib", rssLast);
    s.add("rss_max_kib", *std::max_element(rss.begin(), rss.end()));
    QString byMinute;
    for (const long kib : rss)
        byMinute += QString::number(kib) + QLatin1Char(' ');
    s.add("rss_kib_by_minute", byMinute.trimmed());
    // Lost once per cut and alive once per return; corrupt replies seen
    // when asked for.
    const bool pass = initialReadings == ItemCount * int(o.addresses.size()) && injected > 0 &&
                      reportedOnce == injected && unreported == 0 && falseChanges == 0 &&
                      linkOutOfTurn == 0 && otherLinkEvents == 0 && lostReports == cuts &&
                      aliveReports == returns && (o.badsum == 0 || corrupt > 0);
    s.add("result", pass ? "pass" : "FAIL");
    s.write(o.report);
    return pass ? 0 : 1;
}

// --- cpu ------------------------------------------------------------------------

// The CPU time of process `pid` so far, all its threads, in seconds (the
// scheduler's nanosecond count, not the ticks of /proc/PID/stat); -1 when
// unknown.
double processCpuSeconds(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const QStringList threads = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (threads.isEmpty())
        return -1;
    double seconds = 0;
    for (const QString &thread : threads) {
        QFile schedstat(tasks.filePath(thread + QStringLiteral("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly))
            seconds += double(schedstat.readAll().split(' ').value(0).toLongLong()) / 1e9;
    }
    return seconds;
}

// How often process `pid` has gone to sleep waiting so far, all its threads:
// each such wait ends in a wake-up, whose cost is most of what a program
// that polls a line spends. -1 when unknown.
qint64 processWaits(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const QStringList threads = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (threads.isEmpty())
        return -1;
    const QRegularExpression waits(QStringLiteral("^voluntary_ctxt_switches:\\s+(\\d+)"),
                                   QRegularExpression::MultilineOption);
    qint64 count = 0;
    for (const QString &thread : threads) {
        QFile status(tasks.filePath(thread + QStringLiteral("/status")));
        if (status.open(QIODevice::ReadOnly))
            count += waits.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
    }
    return count;
}

long processResidentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression rss(QStringLiteral("^VmRSS:\\s+(\\d+)"),
                                 QRegularExpression::MultilineOption);
    const auto match = rss.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

// --load cli: verkan-cli watch --json (with --mqtt when given) as a child,
// against its own simulator, with one event a second: each second the next
// address's flank 1 goes to alarm, or back to norm on the next pass over
// the addresses, so that every change stands for 16 s, long enough for a
// round to read it. The CPU is the child's.
int cpuOfCli(QCoreApplication &app, const Options &o)
{
    QTemporaryDir work;
    SimProcess sim;
    if (!sim.start(QStringLiteral(VERKAN_SIM_PATH), work.path(),
                   simOptions(o, addressListText(o.addresses)))) {
        std::fprintf(stderr, "linebench: the simulator did not start\n");
        return 4;
    }
    const bool mqtt = !o.mqtt.isEmpty();
    QProcess cli;
    cli.setProcessEnvironment(cliEnvironment());
    const QString output = work.filePath(QStringLiteral("cli.json"));
    const QString errors = work.filePath(QStringLiteral("cli.err"));
    cli.setStandardOutputFile(output);
    cli.setStandardErrorFile(errors);
    cli.start(o.cli, cliWatchArguments(o, sim.tty(), mqtt));
    if (!cli.waitForStarted(5000)) {
        std::fprintf(stderr, "linebench: %s did not start\n", qPrintable(o.cli));
        return 4;
    }
    int injected = 0;
    QTimer events;
    QObject::connect(&events, &QTimer::timeout, [&] {
        const int address = o.addresses[injected % int(o.addresses.size())];
        const bool alarm = (injected / int(o.addresses.size())) % 2 == 0;
        sim.command(
            commandFor(address, Flank1, alarm ? QStringLiteral("alarm") : QStringLiteral("norm"))
                .toLatin1());
        ++injected;
    });
    events.start(1000);
    double cpuAtStart = 0;
    double cpuUsed = 0;
    qint64 waitsAtStart = 0;
    qint64 waits = 0;
    long rss = 0;
    QElapsedTimer wall;
    double wallSeconds = 0;
    QTimer::singleShot(o.warmUp * 1000, &app, [&] {
        cpuAtStart = processCpuSeconds(cli.processId());
        waitsAtStart = processWaits(cli.processId());
        wall.start();
        QTimer::singleShot(o.seconds * 1000, &app, [&] {
            cpuUsed = processCpuSeconds(cli.processId()) - cpuAtStart;
            waits = processWaits(cli.processId()) - waitsAtStart;
            wallSeconds = double(wall.elapsed()) / 1000.0;
            rss = processResidentKiB(cli.processId());
            app.quit();
        });
    });
    QObject::connect(&cli, &QProcess::finished, [&app] {
        std::fprintf(stderr, "linebench: verkan-cli watch ended\n");
        app.exit(4);
    });
    const int code = app.exec();
    events.stop();
    QObject::disconnect(&cli, &QProcess::finished, nullptr, nullptr);
    cli.terminate();
    if (!cli.waitForFinished(5000))
        cli.kill();
    sim.stop();
    if (code != 0 || cpuAtStart < 0 || cpuUsed < 0)
        return 4;
    // The flank events the watch printed, the first readings left out.
    QFile printed(output);
    qint64 flankEvents = 0;
    if (printed.open(QIODevice::ReadOnly | QIODevice::Text))
        while (!printed.atEnd())
            flankEvents += printed.readLine().contains("\"event\": \"flank\"") ? 1 : 0;
    flankEvents -= 2 * qint64(o.addresses.size());
    // "MQTT: ...: N" on its standard error as it ends: the events the broker
    // acknowledged.
    QString delivered = QStringLiteral("-");
    QFile said(errors);
    if (mqtt && said.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QRegularExpression count(QStringLiteral("^MQTT:.*: (\\d+)$"),
                                       QRegularExpression::MultilineOption);
        const auto match = count.match(QString::fromUtf8(said.readAll()));
        if (match.hasMatch())
            delivered = match.captured(1);
    }
    Summary s;
    s.add("mode", o.mode);
    s.add("load", mqtt ? QStringLiteral("cli-mqtt") : QStringLiteral("cli"));
    s.add("baud", o.baud);
    s.add("seconds", ms(wallSeconds));
    s.add("events_injected", injected);
    s.add("flank_events_printed", flankEvents);
    s.add("mqtt_events_delivered", delivered);
    s.add("cpu_seconds", QString::number(cpuUsed, 'f', 3));
    s.add("cpu_share_of_one_core_percent",
          QString::number(wallSeconds > 0 ? 100.0 * cpuUsed / wallSeconds : 0.0, 'f', 3));
    s.add("waits_per_s", ms(wallSeconds > 0 ? double(waits) / wallSeconds : 0.0));
    s.add("rss_kib", rss);
    s.write(o.report);
    return 0;
}

int cpu(QCoreApplication &app, const Options &o)
{
    if (o.load == QLatin1String("cli"))
        return cpuOfCli(app, o);
    QTemporaryDir work;
    SimProcess sim;
    const bool line = o.load == QLatin1String("line");
    if (!sim.start(QStringLiteral(VERKAN_SIM_PATH), work.path(),
                   simOptions(o, line ? addressListText(o.addresses) : QString()))) {
        std::fprintf(stderr, "linebench: the simulator did not start\n");
        return 4;
    }
    const auto port = PortDescription::parse(sim.tty());
    Summary s;
    s.add("mode", o.mode);
    s.add("load", o.load);
    s.add("baud", o.baud);
    double cpuUsed = 0;
    double wallSeconds = o.seconds;
    qint64 polls = 0;
    long rss = 0;
    if (o.load == QLatin1String("bare")) {
        const int fd = openRawTerminal(sim.tty(), terminalSpeed(o.baud));
        if (fd < 0)
            return 4;
        cpuUsed = std::max(
            0.0, bareLoop(fd, 1, std::chrono::seconds(o.warmUp), std::chrono::seconds(o.seconds)));
        rss = residentKiB();
    } else {
        QtSerialPortService serial(noComPorts());
        CountingPort counting(serial, false);
        std::unique_ptr<LineWatch> watch;
        std::unique_ptr<LineStates> states;
        std::unique_ptr<Exchange> exchange;
        if (line) {
            watch = std::make_unique<LineWatch>(counting);
            states = std::make_unique<LineStates>(*watch);
            states->reset(o.addresses);
            if (!watch->start(*port, o.addresses, o.baud))
                return 4;
        } else {
            exchange = std::make_unique<Exchange>(counting);
            exchange->setFixedSpeed(o.baud);
            if (!exchange->start(*port, 1, 1).started)
                return 4;
        }
        double cpuAtStart = 0;
        qint64 writesAtStart = 0;
        QElapsedTimer wall;
        const auto measure = [&] {
            cpuAtStart = cpuSeconds();
            writesAtStart = counting.writes;
            wall.start();
            QTimer::singleShot(o.seconds * 1000, &app, &QCoreApplication::quit);
        };
        // The watch is measured once every address answers.
        qint64 upAfterMs = -1;
        if (line)
            whenLineIsUp(app, aliveIn(*watch), o, &upAfterMs, measure);
        else
            QTimer::singleShot(o.warmUp * 1000, measure);
        if (app.exec() != 0)
            return 4;
        cpuUsed = cpuSeconds() - cpuAtStart;
        wallSeconds = double(wall.elapsed()) / 1000.0;
        polls = counting.writes - writesAtStart;
        rss = residentKiB();
        if (line) {
            int alive = 0;
            for (const int address : o.addresses)
                alive += watch->isAlive(address) ? 1 : 0;
            s.add("addresses_alive", alive);
            watch->stop();
        } else {
            exchange->stop();
        }
    }
    sim.stop();
    s.add("seconds", ms(wallSeconds));
    s.add("polls_per_s", polls > 0 ? ms(double(polls) / wallSeconds) : QStringLiteral("-"));
    s.add("cpu_seconds", QString::number(cpuUsed, 'f', 3));
    s.add("cpu_share_of_one_core_percent",
          QString::number(wallSeconds > 0 ? 100.0 * cpuUsed / wallSeconds : 0.0, 'f', 3));
    s.add("rss_kib", rss);
    s.write(o.report);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    // Nothing here may reach the machine's own serial ports.
    for (int n = 1; n <= 16; ++n)
        qputenv(qPrintable(QStringLiteral("VERKAN_COM%1").arg(n)),
                QStringLiteral("/nonexistent/tty%1").arg(n).toLatin1());
    QCoreApplication app(argc, argv);
    SimProcess::endWithThisProcess();
    const QStringList args = app.arguments();
    const QStringList modes = {QStringLiteral("refresh"), QStringLiteral("latency"),
                               QStringLiteral("soak"), QStringLiteral("cpu"),
                               QStringLiteral("restart")};
    if (args.size() < 2 || !modes.contains(args[1])) {
        std::fprintf(
            stderr,
            "usage: linebench refresh|latency|soak|cpu|restart [SECONDS] [--addresses LIST] "
            "[--baud B] [--warm-up S] [--seed N] [--trials N] [--silent A] "
            "[--silence-period S] [--badsum PERCENT] [--load line|exchange|bare|cli] "
            "[--report FILE] [--trace FILE] [--sim-log FILE] [--cli VERKAN_CLI] "
            "[--mqtt HOST:PORT] [--broker-command COMMAND] [--restart-at S] "
            "[--down S] [--after S] [--event-ms MS]\n");
        return 2;
    }
    Options o;
    o.mode = args[1];
    o.seconds = o.mode == QLatin1String("soak") ? 3600 : 60;
    QString addresses = QStringLiteral("1-16");
    for (int i = 2; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        const QString value = hasValue ? args[i + 1] : QString();
        if (i == 2 && !a.startsWith(QLatin1String("--"))) {
            o.seconds = a.toInt();
            continue;
        }
        if (!hasValue) {
            std::fprintf(stderr, "linebench: %s needs a value\n", qPrintable(a));
            return 2;
        }
        ++i;
        if (a == QLatin1String("--addresses"))
            addresses = value;
        else if (a == QLatin1String("--baud"))
            o.baud = value.toInt();
        else if (a == QLatin1String("--warm-up"))
            o.warmUp = value.toInt();
        else if (a == QLatin1String("--seed"))
            o.seed = value.toUInt();
        else if (a == QLatin1String("--trials"))
            o.trials = value.toInt();
        else if (a == QLatin1String("--silent"))
            o.silent = value.toInt();
        else if (a == QLatin1String("--silence-period"))
            o.silencePeriod = value.toInt();
        else if (a == QLatin1String("--badsum"))
            o.badsum = value.toInt();
        else if (a == QLatin1String("--load"))
            o.load = value;
        else if (a == QLatin1String("--report"))
            o.report = value;
        else if (a == QLatin1String("--trace"))
            o.trace = value;
        else if (a == QLatin1String("--sim-log"))
            o.simLog = value;
        else if (a == QLatin1String("--cli"))
            o.cli = value;
        else if (a == QLatin1String("--mqtt"))
            o.mqtt = value;
        else if (a == QLatin1String("--broker-command"))
            o.brokerCommand = value;
        else if (a == QLatin1String("--restart-at"))
            o.restartAt = value.toInt();
        else if (a == QLatin1String("--down"))
            o.downSeconds = value.toInt();
        else if (a == QLatin1String("--after"))
            o.after = value.toInt();
        else if (a == QLatin1String("--event-ms"))
            o.eventMs = value.toInt();
        else {
            std::fprintf(stderr, "linebench: unknown option %s\n", qPrintable(a));
            return 2;
        }
    }
    o.addresses = parseAddressList(addresses);
    if (o.addresses.isEmpty()) {
        std::fprintf(stderr, "linebench: --addresses: not a list of addresses: %s\n",
                     qPrintable(addresses));
        return 2;
    }
    if (o.seconds <= 0 || o.trials <= 0 || o.silencePeriod <= 0 ||
        !QStringList{QStringLiteral("line"), QStringLiteral("exchange"), QStringLiteral("bare"),
                     QStringLiteral("cli")}
             .contains(o.load)) {
        std::fprintf(stderr, "linebench: bad SECONDS, --trials, --silence-period or --load\n");
        return 2;
    }
    // verkan-cli watch publishes to a broker: with --cli only; restart also
    // starts and stops the broker itself.
    const bool cliLoad = o.mode == QLatin1String("cpu") && o.load == QLatin1String("cli");
    const bool restarting = o.mode == QLatin1String("restart");
    if ((!o.mqtt.isEmpty() || cliLoad || restarting) && o.cli.isEmpty()) {
        std::fprintf(stderr, "linebench: --mqtt, --load cli and restart need --cli\n");
        return 2;
    }
    if (restarting && (o.mqtt.isEmpty() || o.brokerCommand.trimmed().isEmpty() ||
                       o.restartAt <= 0 || o.downSeconds <= 0 || o.after <= 0 || o.eventMs <= 0)) {
        std::fprintf(stderr, "linebench: restart needs --mqtt, --broker-command and positive "
                             "--restart-at, --down, --after and --event-ms\n");
        return 2;
    }
    if (o.mode == QLatin1String("refresh"))
        return refresh(app, o);
    if (o.mode == QLatin1String("latency"))
        return latency(app, o);
    if (o.mode == QLatin1String("soak"))
        return soak(app, o);
    if (restarting)
        return restart(app, o);
    return cpu(app, o);
}
