// What one reply costs the window, against the time the reply takes on the
// line. Counter "us/reply" is the CPU time of one reply (thread CPU time, so
// a busy machine inflates it less than wall time) and "wire%" that time as a
// percentage of the reply's wire time at 115200 baud, 10 bits per character:
// a 20-character status reply takes 1.736 ms, an 8-character setting reply
// 0.694 ms. The target for a status reply is 1 % (17 us).

#include "app/chartview.h"
#include "app/sharedstate.h"
#include "diagram/chartcanvas.h"
#include "diagram/diagramstep.h"
#include "link/receiver.h"
#include "monitor/statusdecoder.h"
#include "support/formfixture.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QLocale>

#include <clocale>
#include <ctime>
#include <vector>

namespace {

constexpr double kBitsPerCharacter = 10;
constexpr double kBaud = 115200;

double wireSeconds(int characters)
{
    return characters * kBitsPerCharacter / kBaud;
}

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
    state.counters["wire%"] = 100 * perCall / wireSeconds(characters);
    state.SetItemsProcessed(state.iterations());
}

QString hexByte(int b)
{
    return QStringLiteral("%1").arg(b & 0xFF, 2, 16, QLatin1Char('0'));
}

// A reply body: code, data bytes, checksum.
QString body(std::initializer_list<int> bytes)
{
    QString out;
    int sum = 0;
    for (int b : bytes) {
        out += hexByte(b);
        sum += b;
    }
    return out + hexByte(sum);
}

// Status bodies of flank 1 in the norm state with a moving signal and
// levels, so that each reply draws a different segment and read-out.
std::vector<QString> statusBodies()
{
    std::vector<QString> out;
    for (int i = 0; i < 64; ++i) {
        const int signal = (i * 397) % 4000;
        const int threshold = 1500;
        out.push_back(body({0x0b, signal & 0xFF, signal >> 8, threshold & 0xFF, threshold >> 8, 0,
                            (i * 7) & 0xFF, (i * 11) & 0xFF}));
    }
    return out;
}

std::vector<QByteArray> statusFrames()
{
    std::vector<QByteArray> out;
    for (const QString &b : statusBodies())
        out.push_back('!' + b.toLatin1() + '\r');
    return out;
}

// The whole road of one status reply: receive event, assembly, frame end,
// validation, status decoding, diagram step and read-outs.
void BM_StatusReplyThroughWindow(benchmark::State &state)
{
    FormFixture fixture;
    fixture.start(1);
    const std::vector<QByteArray> frames = statusFrames();
    std::size_t i = 0;
    // "!", 18 digits, CR: 20 characters.
    measureAgainstWire(state, int(frames.front().size()), [&] {
        fixture.port.deliver(frames[i]);
        i = (i + 1) % frames.size();
    });
}
BENCHMARK(BM_StatusReplyThroughWindow);

// Reply assembly and validation alone, with a handler that does nothing.
void BM_ReceiveAssembly(benchmark::State &state)
{
    struct NullHandler : ReplyHandler {
        void frameEnd() override {}
        void pauseExchange() override {}
        void statusReply() override { ++replies; }
        void settingReply(int) override {}
        int replies = 0;
    } handler;
    SharedState s;
    const std::vector<QByteArray> frames = statusFrames();
    std::size_t i = 0;
    measureAgainstWire(state, 20, [&] {
        receiveBytes(s, frames[i], handler);
        i = (i + 1) % frames.size();
    });
    benchmark::DoNotOptimize(handler.replies);
}
BENCHMARK(BM_ReceiveAssembly);

// Status decoding alone: the state byte of a steady norm state.
void BM_StatusDecoding(benchmark::State &state)
{
    SharedState s;
    const QString flank = QStringLiteral("1");
    measureAgainstWire(state, 20, [&] {
        StatusIndication shown = decodeStatus(s, 0, flank);
        benchmark::DoNotOptimize(shown);
    });
}
BENCHMARK(BM_StatusDecoding);

// Status decoding when every reply changes the state (journal texts built).
void BM_StatusDecodingChanging(benchmark::State &state)
{
    SharedState s;
    const QString flank = QStringLiteral("1");
    const int codes[] = {FlankNorm, FlankAlarm | kTamperBit, FlankCableBreak, FlankCableShort};
    std::size_t i = 0;
    measureAgainstWire(state, 20, [&] {
        StatusIndication shown = decodeStatus(s, codes[i], flank);
        benchmark::DoNotOptimize(shown);
        i = (i + 1) % std::size(codes);
    });
}
BENCHMARK(BM_StatusDecodingChanging);

// The diagram step alone: trace segment, erase band, grid, threshold line,
// read-outs.
void diagramStepBench(benchmark::State &state, bool controlPass)
{
    SharedState s;
    s.Kvgraf = kKvgraf1VPerDiv;
    s.Ksgraf = kKsgrafHalfSecPerDiv;
    s.cntProh = kPassBlockSamples;
    ChartCanvas canvas;
    const std::vector<QString> bodies = statusBodies();
    std::size_t i = 0;
    measureAgainstWire(state, 20, [&] {
        if (controlPass)
            s.FlStartIzmer = 1;
        DiagramUpdate update = diagramStep(s, bodies[i], canvas);
        benchmark::DoNotOptimize(update);
        i = (i + 1) % bodies.size();
    });
}

void BM_DiagramStep(benchmark::State &state)
{
    diagramStepBench(state, false);
}
BENCHMARK(BM_DiagramStep);

// The diagram step with a control pass running (its read-out every reply).
void BM_DiagramStepControlPass(benchmark::State &state)
{
    diagramStepBench(state, true);
}
BENCHMARK(BM_DiagramStepControlPass);

// Painting the chart view once (the window repaints at most once per screen
// frame, however many replies arrived): not part of a reply's cost.
void BM_ChartPaint(benchmark::State &state)
{
    FormFixture fixture;
    ChartView *view = fixture.form->Picture1;
    QImage target(view->size(), QImage::Format_RGB32);
    for (auto _ : state)
        view->render(&target);
}
BENCHMARK(BM_ChartPaint);

// One setting read reply (the gain of flank 1) through the window: value box
// and spinner, nothing journalled.
void BM_SettingReplyThroughWindow(benchmark::State &state)
{
    FormFixture fixture;
    fixture.start(1);
    const QByteArray frames[] = {'!' + body({15, 5}).toLatin1() + '\r',
                                 '!' + body({15, 6}).toLatin1() + '\r'};
    std::size_t i = 0;
    measureAgainstWire(state, int(frames[0].size()), [&] {
        fixture.port.deliver(frames[i]);
        i ^= 1;
    });
}
BENCHMARK(BM_SettingReplyThroughWindow);

// One write confirmation (gain): value box, spinner and a journal line in the
// list and appended to the file (opened and closed for every line). The list
// is emptied now and then, inside the measured time.
void BM_SettingConfirmationThroughWindow(benchmark::State &state)
{
    FormFixture fixture;
    fixture.start(1);
    const QByteArray frames[] = {'!' + body({45, 5}).toLatin1() + '\r',
                                 '!' + body({45, 6}).toLatin1() + '\r'};
    std::size_t i = 0;
    measureAgainstWire(state, int(frames[0].size()), [&] {
        fixture.port.deliver(frames[i]);
        i ^= 1;
        if (fixture.form->List1->count() > 1000)
            fixture.form->List1->clear();
    });
}
BENCHMARK(BM_SettingConfirmationThroughWindow);

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
