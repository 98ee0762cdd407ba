// What one reply costs the window, against the time the reply takes on the
// line. Counter "us/reply" is the CPU time of one reply (thread CPU time, so
// a busy machine inflates it less than wall time) and "wire%" that time as a
// percentage of the reply's wire time at 115200 baud, 10 bits per character:
// a 20-character status reply takes 1.736 ms, an 8-character setting reply
// 0.694 ms. The target for a status reply is 1 % (17 us).

#include "app/form1.h"
#include "app/journallistview.h"
#include "diagram/signalchart.h"
#include "link/exchange.h"
#include "link/receiver.h"
#include "monitor/statusdecoder.h"
#include "support/formfixture.h"
#include "support/replies.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLocale>
#include <QWindow>

#include <clocale>
#include <ctime>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr double kBitsPerCharacter = 10;
constexpr double kBaud = 115200;
constexpr int kStatusCharacters = 20;  // "!", 18 digits, CR

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Runs `once` per iteration and reports its CPU time per call in
// microseconds ("us/reply") and as a percentage of the wire time of
// `characters` ("wire%"), and the calls per second.
template <typename F> void measureAgainstWire(benchmark::State &state, int characters, F &&once)
{
    const double start = threadCpuSeconds();
    for (auto _ : state)
        once();
    const double perCall = (threadCpuSeconds() - start) / double(state.iterations());
    state.counters["us/reply"] = perCall * 1e6;
    state.counters["wire%"] = 100 * perCall / (characters * kBitsPerCharacter / kBaud);
    state.SetItemsProcessed(state.iterations());
}

// Status replies of flank 1 in the norm state with a moving signal and
// levels, so that each reply draws a different segment and read-out.
std::vector<QByteArray> statusFrames()
{
    std::vector<QByteArray> out;
    for (int i = 0; i < 64; ++i)
        out.push_back(statusReply(0, (i * 397) % 1000, 375, (i * 7) & 0xFF, (i * 11) & 0xFF));
    return out;
}

std::vector<StatusReading> statusReadings()
{
    std::vector<StatusReading> out;
    for (const QByteArray &frame : statusFrames())
        out.push_back(StatusReading::fromBody(QString::fromLatin1(frame.mid(1, 18))));
    return out;
}

// Counts the paint events of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The whole road of one status reply in the shown window: receive event,
// assembly, validation, status decoding, chart step and read-outs; with arg 1
// also the repaint the event loop then makes of what changed (the strip of
// the chart and the read-outs) into the window's backing store.
void BM_StatusReplyThroughWindow(benchmark::State &state)
{
    FormFixture fixture;
    fixture.form->show();
    QWindow *window = fixture.form->windowHandle();
    for (int i = 0; i < 100 && !window->isExposed(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    fixture.start(1);
    QWidget *chart = fixture.control<QWidget>("Picture1");
    PaintCounter counter;
    chart->installEventFilter(&counter);
    const std::vector<QByteArray> frames = statusFrames();
    std::size_t i = 0;
    measureAgainstWire(state, kStatusCharacters, [&] {
        fixture.port.deliver(frames[i]);
        if (state.range(0)) {
            // What the window's next update request does, without waiting.
            QEvent update(QEvent::UpdateRequest);
            QCoreApplication::sendEvent(fixture.form.get(), &update);
        }
        i = (i + 1) % frames.size();
    });
    if (state.range(0) && counter.paints < int(state.iterations()))
        state.SkipWithError("the chart was not repainted after every reply");
}
BENCHMARK(BM_StatusReplyThroughWindow)->Arg(1)->Arg(0);

// The engine alone: the exchange on a fake port, then what the window asks
// of the engine for a status reading (flank monitor, chart step), no widget.
void BM_StatusReplyEngineOnly(benchmark::State &state)
{
    FakeSerialPort port;
    port.openable = {1};
    Exchange exchange(port);
    exchange.start(1, 1, 1);
    FlankMonitor monitor;
    SignalChart chart;
    const QString flank = QStringLiteral("1");
    QObject::connect(&exchange, &Exchange::statusReceived, [&](const StatusReading &reading) {
        benchmark::DoNotOptimize(monitor.decode(reading, flank));
        benchmark::DoNotOptimize(chart.step(reading));
    });
    const std::vector<QByteArray> frames = statusFrames();
    std::size_t i = 0;
    measureAgainstWire(state, kStatusCharacters, [&] {
        port.deliver(frames[i]);
        i = (i + 1) % frames.size();
    });
}
BENCHMARK(BM_StatusReplyEngineOnly);

// Reply assembly and validation alone, with a handler that does nothing.
void BM_ReceiveAssembly(benchmark::State &state)
{
    struct NullHandler : ReplyHandler {
        void frameEnd() override {}
        void pauseExchange() override {}
        void statusReply(const QString &) override { ++replies; }
        void settingReply(int, const QString &) override {}
        int replies = 0;
    } handler;
    ReplyAssembler assembler;
    const std::vector<QByteArray> frames = statusFrames();
    std::size_t i = 0;
    measureAgainstWire(state, kStatusCharacters, [&] {
        assembler.feed(frames[i], handler);
        i = (i + 1) % frames.size();
    });
    benchmark::DoNotOptimize(handler.replies);
}
BENCHMARK(BM_ReceiveAssembly);

// Status decoding alone: a steady norm state (arg 0), or a change with every
// reply, which builds journal texts (arg 1).
void BM_StatusDecoding(benchmark::State &state)
{
    FlankMonitor monitor;
    const QString flank = QStringLiteral("1");
    const int codes[] = {FlankNorm, FlankAlarm | StatusReading::kTamperBit, FlankCableBreak,
                         FlankCableShort};
    const std::size_t kinds = state.range(0) ? std::size(codes) : 1;
    std::size_t i = 0;
    measureAgainstWire(state, kStatusCharacters, [&] {
        StatusReading reading;
        reading.stateByte = codes[i];
        benchmark::DoNotOptimize(monitor.decode(reading, flank));
        i = (i + 1) % kinds;
    });
}
BENCHMARK(BM_StatusDecoding)->Arg(0)->Arg(1);

// The chart step alone: trace segment, erase band, grid, threshold line,
// read-outs; with a control pass running (arg 1) its read-out too.
void BM_ChartStep(benchmark::State &state)
{
    SignalChart chart;
    const std::vector<StatusReading> readings = statusReadings();
    std::size_t i = 0;
    measureAgainstWire(state, kStatusCharacters, [&] {
        if (state.range(0) && !chart.pass().running())
            chart.pass().start();
        benchmark::DoNotOptimize(chart.step(readings[i]));
        i = (i + 1) % readings.size();
    });
}
BENCHMARK(BM_ChartStep)->Arg(0)->Arg(1);

// Painting the whole chart view once, the most one repaint can cost.
void BM_ChartPaint(benchmark::State &state)
{
    FormFixture fixture;
    QWidget *view = fixture.control<QWidget>("Picture1");
    QImage target(view->size(), QImage::Format_RGB32);
    for (auto _ : state)
        view->render(&target);
}
BENCHMARK(BM_ChartPaint);

// A setting reply through the window (the gain of flank 1): a read (arg 0)
// fills value box and spinner; a write confirmation (arg 1) also journals a
// line into the list and the file (opened and closed for every line). The
// list is emptied now and then, inside the measured time.
void BM_SettingReplyThroughWindow(benchmark::State &state)
{
    FormFixture fixture;
    fixture.start(1);
    const int code = state.range(0) ? 45 : 15;
    const QByteArray frames[] = {settingReply(code, 5), settingReply(code, 6)};
    auto *list = fixture.control<JournalListView>("List1");
    std::size_t i = 0;
    measureAgainstWire(state, int(frames[0].size()), [&] {
        fixture.port.deliver(frames[i]);
        i ^= 1;
        if (list->count() > 1000)
            list->clear();
    });
}
BENCHMARK(BM_SettingReplyThroughWindow)->Arg(0)->Arg(1);

// A flank flapping between alarm and norm: each status reply journals a line
// into the file and the list, which holds `arg` entries, then the window is
// repainted. The list's limit is `arg`, so it drops its oldest entry itself
// for every line, inside the measured time. "us/line" is the CPU time of one
// line; "B/entry" is the heap one entry of the list takes, measured while
// the list is filled (with glibc).
void BM_JournalLineThroughWindow(benchmark::State &state)
{
    FormFixture fixture;
    fixture.form->show();
    QWindow *window = fixture.form->windowHandle();
    for (int i = 0; i < 100 && !window->isExposed(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    fixture.start(1);
    auto *list = fixture.control<JournalListView>("List1");
    const int entries = int(state.range(0));
    list->setLimit(entries);
    const int filledFrom = list->count();
#ifdef __GLIBC__
    const std::size_t heapBefore = mallinfo2().uordblks;
#endif
    // Each entry its own text, built as the journal builds it.
    for (int i = filledFrom; i < entries; ++i)
        list->insertEntry(fixture.stamp() + QStringLiteral("  Фланг -1    Тревога"));
    // What each line posts (the scroll bars' queued range notices) is
    // handled, as the event loop does after every line.
    QCoreApplication::processEvents();
#ifdef __GLIBC__
    state.counters["B/entry"] =
        double(mallinfo2().uordblks - heapBefore) / double(entries - filledFrom);
#endif
    QEvent update(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(fixture.form.get(), &update);
    PaintCounter counter;
    list->viewport()->installEventFilter(&counter);
    const QByteArray frames[] = {statusReply(1), statusReply(0)};
    std::size_t i = 0;
    const double start = threadCpuSeconds();
    for (auto _ : state) {
        fixture.port.deliver(frames[i]);
        // Whatever the line posted, then the repaint of what it changed.
        QCoreApplication::processEvents();
        QCoreApplication::sendEvent(fixture.form.get(), &update);
        i ^= 1;
    }
    state.counters["us/line"] = (threadCpuSeconds() - start) / double(state.iterations()) * 1e6;
    if (list->count() != entries || counter.paints < int(state.iterations()))
        state.SkipWithError("the list did not take and show every line");
}
BENCHMARK(BM_JournalLineThroughWindow)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);

}  // namespace

int main(int argc, char **argv)
{
    // Benchmark flags are read before QApplication applies the environment's
    // locale to the C library (a decimal comma would break "--...=0.5").
    benchmark::Initialize(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.multimedia*=false");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    // The report is printed through the C library: keep its numbers plain.
    std::setlocale(LC_NUMERIC, "C");
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
