// Soak run: the window (offscreen) exchanges with the simulated detector for a
// given time while flank states, the tamper sensor and line noise change at
// random. At the end it reports the line's request rate and slot intervals
// (from the simulator's log), the state changes injected against the journal
// lines written, the CPU used and the resident memory at start and end.
//
// usage: soak SECONDS [--seed N] [--report FILE] [--split-replies] [--no-events]
//             [--load window|engine|bare] [--warm-up SECONDS]
//
// Measuring starts after the warm-up (10 s unless told), so that start-up
// costs do not count. The run fails when a state change went unjournalled or
// no request reached the simulator.
// With --split-replies the simulator also switches at random between whole
// replies and replies split into pieces with gaps of up to 15 ms; the
// exchange timer stands still while a reply is incomplete, so the slot
// intervals then include those gaps. With --no-events nothing is injected:
// the journal list stays as it is, so any growth of memory would come from
// the exchange itself.
//
// --load says what exchanges with the simulator, so that the window's share
// of the CPU can be told from the machine's: "window" (the default) is the
// program; "engine" is the exchange alone, with no widgets and no journal, as
// verkan-cli runs it; "bare" is a plain poll() loop that writes the standing
// poll every slot and reads what comes back, the least any program can do on
// this line at this rate. Events are injected into the window only.
#include "app/form1.h"
#include "bareloop.h"
#include "link/codec.h"
#include "link/exchange.h"
#include "link/protocol.h"
#include "link/qtserialport.h"
#include "livesession.h"
#include "measuring.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {

enum class Load { Window, Engine, Bare };
// As given to --load and written in the report, in the order of Load.
constexpr const char *kLoadNames[] = {"window", "engine", "bare"};

// The least work one request and its reply per slot can cost: the standing
// poll written every slot and whatever comes back read, in a plain poll()
// loop. Runs for `warmUp` and then for `measured` more, and returns the CPU
// seconds used during `measured` (-1 when the terminal does not open).
double bareExchange(const QString &tty, std::chrono::seconds warmUp, std::chrono::seconds measured)
{
    const int fd = openRawTerminal(tty);
    if (fd < 0)
        return -1;
    // A line that fails before the measuring began used no time in it.
    return std::max(0.0, bareLoop(fd, 1, warmUp, measured));
}

}  // namespace

int main(int argc, char **argv)
{
    // Offscreen unless a display is named (QT_QPA_PLATFORM=xcb under xvfb-run).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Only the window needs a GUI application; the engine runs under a core
    // one, as in verkan-cli.
    Load load = Load::Window;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--load") != 0)
            continue;
        const auto named =
            std::find_if(std::begin(kLoadNames), std::end(kLoadNames),
                         [&](const char *name) { return qstrcmp(name, argv[i + 1]) == 0; });
        if (named == std::end(kLoadNames)) {
            std::fprintf(stderr, "soak: --load takes window, engine or bare\n");
            return 2;
        }
        load = Load(named - std::begin(kLoadNames));
    }
    const std::unique_ptr<QCoreApplication> application =
        load == Load::Window ? std::make_unique<QApplication>(argc, argv)
                             : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication &app = *application;
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: soak SECONDS [--seed N] [--report FILE] [--split-replies] "
                             "[--no-events] [--load window|engine|bare] [--warm-up SECONDS]\n");
        return 2;
    }
    const int seconds = args[1].toInt();
    quint32 seed = 1;
    QString reportPath;
    int warmUpSeconds = 10;
    bool splitReplies = false;
    bool injectEvents = true;
    for (int i = 2; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--split-replies"))
            splitReplies = true;
        else if (args[i] == QLatin1String("--no-events"))
            injectEvents = false;
        else if (args[i] == QLatin1String("--seed") && i + 1 < args.size())
            seed = args[++i].toUInt();
        else if (args[i] == QLatin1String("--report") && i + 1 < args.size())
            reportPath = args[++i];
        else if (args[i] == QLatin1String("--warm-up") && i + 1 < args.size())
            warmUpSeconds = args[++i].toInt();
        else if (args[i] == QLatin1String("--load"))
            ++i;
    }
    // Only the window writes a journal to count injected changes against.
    if (load != Load::Window)
        injectEvents = false;
    QRandomGenerator random(seed);

    LiveSession session;
    const QString simLog = session.path(QStringLiteral("sim.log"));
    if (!session.startSimulator({QStringLiteral("--baud"), QStringLiteral("115200"),
                                 QStringLiteral("--log"), simLog, QStringLiteral("--seed"),
                                 QString::number(seed)})) {
        std::fprintf(stderr, "soak: the simulated detector did not start\n");
        return 1;
    }
    std::unique_ptr<QtSerialPortService> enginePort;
    std::unique_ptr<Exchange> engine;
    if (load == Load::Window) {
        session.openWindowAndStart();
    } else if (load == Load::Engine) {
        enginePort = std::make_unique<QtSerialPortService>(session.portEnvironment());
        engine = std::make_unique<Exchange>(*enginePort);
        if (!engine->start(PortDescription::comPort(1), 1, 1).started) {
            std::fprintf(stderr, "soak: the engine could not open the terminal\n");
            return 1;
        }
    }
    const QString journalPath = session.path(QStringLiteral("Jurnal.txt"));

    // Random events, one every 0.4 to 2 s. Only changes the window can see
    // (flank 1 is the one polled) are counted as injected state changes.
    const QStringList flankStates = {QStringLiteral("norm"), QStringLiteral("alarm"),
                                     QStringLiteral("level"), QStringLiteral("break"),
                                     QStringLiteral("short")};
    QString flankState = QStringLiteral("norm");
    bool tamperOpen = false;
    int injected = 0;
    int noiseBursts = 0;
    QTimer events;
    events.setSingleShot(true);
    QObject::connect(&events, &QTimer::timeout, [&] {
        const int what = int(random.bounded(10));
        if (what < 5) {
            const QString next = flankStates[int(random.bounded(flankStates.size()))];
            if (next != flankState)
                ++injected;
            flankState = next;
            session.command(QStringLiteral("flank 1 %1\n").arg(next).toLatin1());
        } else if (what < 8) {
            tamperOpen = !tamperOpen;
            ++injected;
            session.command(tamperOpen ? "tamper open\n" : "tamper closed\n");
        } else if (what == 9 && splitReplies) {
            session.command(random.bounded(2) ? "delivery random\n" : "delivery whole\n");
        } else {
            ++noiseBursts;
            session.command(QStringLiteral("garbage %1\n").arg(1 + random.bounded(20)).toLatin1());
        }
        events.start(400 + int(random.bounded(1600)));
    });

    const int warmUpMs = warmUpSeconds * 1000;
    QElapsedTimer wall;
    double cpuStart = 0;
    long rssStart = 0;
    QTimer::singleShot(warmUpMs, [&] {
        wall.start();
        cpuStart = cpuSeconds();
        rssStart = residentKiB();
        if (injectEvents)
            events.start(500);
    });
    // Resident memory once a minute, to tell a plateau from a leak.
    QList<long> rssByMinute;
    QTimer minute;
    QObject::connect(&minute, &QTimer::timeout, [&] { rssByMinute.append(residentKiB()); });
    QTimer::singleShot(warmUpMs, [&] { minute.start(60000); });
    QTimer::singleShot(warmUpMs + seconds * 1000, [&] {
        events.stop();
        // Let the last change reach the window before counting.
        QTimer::singleShot(1500, &app, &QCoreApplication::quit);
    });
    double elapsed = 0;
    double cpu = 0;
    if (load == Load::Bare) {
        rssStart = residentKiB();
        cpu = bareExchange(session.path(QStringLiteral("tty")), std::chrono::seconds(warmUpSeconds),
                           std::chrono::seconds(seconds));
        if (cpu < 0) {
            std::fprintf(stderr, "soak: the terminal did not open\n");
            return 1;
        }
        elapsed = seconds;
    } else {
        app.exec();
        elapsed = double(wall.elapsed()) / 1000.0;
        cpu = cpuSeconds() - cpuStart;
    }
    const long rssEnd = residentKiB();
    if (engine)
        engine->stop();
    session.stop();

    // Slot intervals: time between consecutive requests on the line.
    std::vector<double> intervals;
    QFile log(simLog);
    int requests = 0;
    if (log.open(QIODevice::ReadOnly)) {
        QDateTime previous;
        while (!log.atEnd()) {
            const QString line = QString::fromUtf8(log.readLine());
            if (!line.contains(QLatin1String(" < $")))
                continue;
            const QDateTime at =
                QDateTime::fromString(line.section(QLatin1Char(' '), 0, 0), Qt::ISODateWithMs);
            if (previous.isValid())
                intervals.push_back(double(previous.msecsTo(at)));
            previous = at;
            ++requests;
        }
    }
    int journalled = 0;
    QFile journal(journalPath);
    if (journal.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(journal.readAll());
        journalled =
            int(text.count(QStringLiteral(" Фланг -1 ")) + text.count(QStringLiteral(" ДВ ")));
    }

    QString report;
    QTextStream outText(&report);
    outText << "load " << kLoadNames[int(load)] << "\n"
            << "duration_s " << elapsed << "\n"
            << "requests " << requests << "\n"
            << "requests_per_s " << (elapsed > 0 ? requests / (elapsed + warmUpSeconds) : 0) << "\n"
            << "slot_interval_median_ms " << percentile(intervals, 0.5) << "\n"
            << "slot_interval_p99_ms " << percentile(intervals, 0.99) << "\n"
            << "state_changes_injected " << injected << "\n"
            << "journal_state_lines " << journalled << "\n"
            << "noise_bursts " << noiseBursts << "\n"
            << "cpu_share_of_one_core_percent " << (elapsed > 0 ? 100.0 * cpu / elapsed : 0) << "\n"
            << "rss_start_kib " << rssStart << "\n"
            << "rss_end_kib " << rssEnd << "\n"
            << "rss_kib_by_minute";
    for (long kib : rssByMinute)
        outText << ' ' << kib;
    outText << "\n";
    outText.flush();
    std::fputs(qPrintable(report), stdout);
    if (!reportPath.isEmpty()) {
        QFile file(reportPath);
        if (file.open(QIODevice::WriteOnly))
            file.write(report.toUtf8());
    }
    if (requests == 0) {
        std::fprintf(stderr, "soak: no request reached the simulated detector\n");
        return 1;
    }
    return injected == journalled ? 0 : 1;
}
