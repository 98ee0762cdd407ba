// Soak run: the window (offscreen) exchanges with the simulated detector for a
// given time while flank states, the tamper sensor and line noise change at
// random. At the end it reports the line's request rate and slot intervals
// (from the simulator's log), the state changes injected against the journal
// lines written, the CPU used and the resident memory at start and end.
//
// usage: soak SECONDS [--seed N] [--report FILE] [--split-replies] [--no-events]
//
// With --split-replies the simulator also switches at random between whole
// replies and replies split into pieces with gaps of up to 15 ms; the
// exchange timer stands still while a reply is incomplete, so the slot
// intervals then include those gaps. With --no-events nothing is injected:
// the journal list stays as it is, so any growth of memory would come from
// the exchange itself.
#include "app/form1.h"
#include "livesession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression rss(QStringLiteral("^VmRSS:\\s+(\\d+)"),
                                 QRegularExpression::MultilineOption);
    const auto match = rss.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = std::size_t(p * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

}  // namespace

int main(int argc, char **argv)
{
    // Offscreen unless a display is named (QT_QPA_PLATFORM=xcb under xvfb-run).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(
            stderr,
            "usage: soak SECONDS [--seed N] [--report FILE] [--split-replies] [--no-events]\n");
        return 2;
    }
    const int seconds = args[1].toInt();
    quint32 seed = 1;
    QString reportPath;
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
    }
    QRandomGenerator random(seed);

    LiveSession session;
    const QString simLog = session.path(QStringLiteral("sim.log"));
    if (!session.startSimulator({QStringLiteral("--baud"), QStringLiteral("115200"),
                                 QStringLiteral("--log"), simLog, QStringLiteral("--seed"),
                                 QString::number(seed)})) {
        std::fprintf(stderr, "soak: the simulated detector did not start\n");
        return 1;
    }
    QProcess &sim = session.simulator();
    session.openWindowAndStart();
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
            sim.write(QStringLiteral("flank 1 %1\n").arg(next).toLatin1());
        } else if (what < 8) {
            tamperOpen = !tamperOpen;
            ++injected;
            sim.write(tamperOpen ? "tamper open\n" : "tamper closed\n");
        } else if (what < 9) {
            ++noiseBursts;
            sim.write(QStringLiteral("garbage %1\n").arg(1 + random.bounded(20)).toLatin1());
        } else {
            if (splitReplies)
                sim.write(random.bounded(2) ? "delivery random\n" : "delivery whole\n");
            else {
                ++noiseBursts;
                sim.write(QStringLiteral("garbage %1\n").arg(1 + random.bounded(20)).toLatin1());
            }
        }
        events.start(400 + int(random.bounded(1600)));
    });

    // Measure after a short warm-up so start-up costs do not count.
    QElapsedTimer wall;
    double cpuStart = 0;
    long rssStart = 0;
    QTimer::singleShot(10000, [&] {
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
    QTimer::singleShot(10000, [&] { minute.start(60000); });
    QTimer::singleShot((seconds + 10) * 1000, [&] {
        events.stop();
        // Let the last change reach the window before counting.
        QTimer::singleShot(1500, &app, &QCoreApplication::quit);
    });
    app.exec();

    const double elapsed = double(wall.elapsed()) / 1000.0;
    const double cpu = cpuSeconds() - cpuStart;
    const long rssEnd = residentKiB();
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
    outText << "duration_s " << elapsed << "\n"
            << "requests " << requests << "\n"
            << "requests_per_s " << (elapsed > 0 ? requests / (elapsed + 10) : 0) << "\n"
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
    return injected == journalled ? 0 : 1;
}
