// Scripted reference run: the window (offscreen) against the simulated
// detector through one fixed scenario, printing what went over the line and
// what was journalled in a form that is the same on every run. The output is
// compared with tests/data/scenario-reference.txt (scripts/scenario.sh), so
// that a change of the program's internals that changes its behaviour on the
// line or in the journal shows up as a difference.
//
// usage: scenario [OUTPUT_FILE]   (standard output without a file)
//
// The window is driven only as an operator would drive it: controls found by
// their object names and plain widget calls (click, setChecked, UpDown's
// stepUp, the flank list's activated signal).
#include "app/form1.h"
#include "app/updown.h"
#include "link/qtserialport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

QTemporaryDir *work = nullptr;
QProcess *sim = nullptr;
SerialPortService *port = nullptr;
Form1 *window = nullptr;

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "scenario: %s\n", qPrintable(what));
    if (sim)
        sim->kill();
    std::exit(1);
}

template <class Widget> Widget *control(const char *name)
{
    auto *widget = window->findChild<Widget *>(QLatin1String(name));
    if (!widget)
        fail(QStringLiteral("no control %1").arg(QLatin1String(name)));
    return widget;
}

// Runs the event loop (exchange timer, serial line, watchdog) until the
// condition holds; a scenario step that never gets there is a failure.
void waitUntil(const QString &what, const std::function<bool()> &condition, int timeoutMs = 10000)
{
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || deadline.hasExpired())
            loop.quit();
    });
    check.start(5);
    loop.exec();
    if (!condition())
        fail(QStringLiteral("timed out waiting for %1").arg(what));
}

QStringList fileLines(const QString &name)
{
    QFile file(work->filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll())
        .split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts);
}

// Requests the simulator has heard so far, as "SPEED < FRAME [why ignored]".
QStringList requestsHeard()
{
    QStringList heard;
    for (const QString &line : fileLines(QStringLiteral("sim.log"))) {
        const QString rest = line.section(QLatin1Char(' '), 1);  // drop the time
        if (rest.section(QLatin1Char(' '), 1, 1) == QLatin1String("<"))
            heard << rest;
    }
    return heard;
}

// Lets the exchange run until the simulator has heard `count` more requests
// (polls counted on the line, not milliseconds, so a slow machine changes
// nothing) and the window has then taken in a reply. The next step thus
// starts just after a reply, never between a request and its reply, where
// the reply would be decoded under the window's new state.
void poll(int count)
{
    const qsizetype target = requestsHeard().size() + count;
    waitUntil(QStringLiteral("%1 requests").arg(count),
              [&] { return requestsHeard().size() >= target; });
    // Connected after the window's own handler, so it runs after it.
    bool replied = false;
    QEventLoop loop;
    QObject::connect(port, &SerialPortService::dataReceived, &loop, [&] {
        replied = true;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    if (!replied)
        fail(QStringLiteral("no reply after %1 requests").arg(count));
}

QStringList journal()
{
    return fileLines(QStringLiteral("Jurnal.txt"));
}

// Waits for the journal to grow by an entry that contains `text`.
void waitForJournal(const QString &text)
{
    const qsizetype before = journal().size();
    waitUntil(QStringLiteral("journal entry \"%1\"").arg(text), [&] {
        const QStringList lines = journal();
        for (qsizetype i = before; i < lines.size(); ++i)
            if (lines[i].contains(text))
                return true;
        return false;
    });
}

// Sends a command to the simulator and waits for its "ok", so that the
// detector has changed before the scenario goes on.
void simCommand(const char *command)
{
    sim->readAll();
    sim->write(QByteArray(command) + '\n');
    QByteArray answer;
    waitUntil(QStringLiteral("the simulator's answer to %1").arg(QLatin1String(command)), [&] {
        answer += sim->readAll();
        return answer.endsWith('\n');
    });
    if (answer.trimmed() != "ok")
        fail(QStringLiteral("simulator: %1").arg(QString::fromUtf8(answer.trimmed())));
}

// Picks `value` in the flank list the way a mouse pick does: the window
// reacts to activated(), which setCurrentIndex() alone does not emit.
void chooseFlank(const QString &value)
{
    auto *combo = control<QComboBox>("Combo2");
    const int index = combo->findText(value);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// The run in a form that is the same every time. What varies between runs
// is only when things happen, never what or in which order: each step starts
// just after a reply (poll()), each change of the detector is confirmed by
// the simulator and then waited for in the journal before the next one, so no
// poll can fall between two events in a way that would change more than the
// number of polls. Hence:
//  - time stamps go, in the simulator's log and in the journal;
//  - a run of identical requests counts as one, as the number of status
//    polls between two steps (and of polls ignored while the line is silent,
//    until the watchdog gives up) depends on timing; the frames, their line
//    speeds, their order and why one was ignored do not;
//  - journal entries are all kept: each comes from one event of the scenario.
QString normalised()
{
    QString out = QStringLiteral("# requests heard by the simulator: line speed, frame\n");
    QString previous;
    for (const QString &line : requestsHeard()) {
        if (line != previous)
            out += line + QLatin1Char('\n');
        previous = line;
    }
    out += QStringLiteral("# journal file, without time stamps\n");
    // Entries are "<date> <time><text>" in quotes (the date alone at
    // midnight), in the Russian format set in main().
    static const QRegularExpression stamp(
        QStringLiteral("^\"\\d\\d\\.\\d\\d\\.\\d{4}( \\d{1,2}:\\d\\d:\\d\\d)?"));
    for (QString line : journal())
        out += line.replace(stamp, QStringLiteral("\"")) + QLatin1Char('\n');
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir dir;
    work = &dir;
    const QString tty = dir.filePath(QStringLiteral("tty"));

    // The detector answers at 19200 only, the third speed the search tries.
    QProcess simulator;
    sim = &simulator;
    simulator.start(QStringLiteral(VERKAN_SIM_PATH),
                    {QStringLiteral("--link"), tty, QStringLiteral("--baud"),
                     QStringLiteral("19200"), QStringLiteral("--log"),
                     dir.filePath(QStringLiteral("sim.log"))});
    // It prints its terminal's path once it is ready.
    if (!simulator.waitForStarted() || !simulator.waitForReadyRead(5000))
        fail(QStringLiteral("the simulated detector did not start"));
    simulator.readAll();

    // COM port 1 is the simulator; every other port number a missing path.
    QProcessEnvironment env;
    for (int n = 1; n <= 16; ++n)
        env.insert(QStringLiteral("VERKAN_COM%1").arg(n),
                   n == 1 ? tty : dir.filePath(QStringLiteral("none%1").arg(n)));
    QtSerialPortService line(env);
    port = &line;
    Form1Dependencies deps;
    deps.port = &line;
    deps.journalPath = dir.filePath(QStringLiteral("Jurnal.txt"));
    Form1 form(deps);
    window = &form;
    form.show();

    auto *start = control<QPushButton>("Command4");
    auto *stop = control<QPushButton>("Command3");
    auto *ports = control<QComboBox>("Combo3");
    ports->setCurrentIndex(ports->findText(QStringLiteral("1")));

    // Speed search, read-back of flank 1's settings, unit number, polls.
    start->click();
    poll(33);

    // Flank 2: read-back of its settings, then its polls.
    chooseFlank(QStringLiteral("2"));
    poll(33);

    // Gain of flank 2 one step up: unlock, step, apply; the detector
    // confirms the write.
    control<QCheckBox>("Check10")->setChecked(true);
    control<UpDown>("UpDown4")->stepUp();
    control<QPushButton>("Command7")->click();
    poll(33);

    // State changes on the detector's side, each waited for in the journal,
    // so that none is lost between two polls.
    simCommand("flank 2 alarm");
    waitForJournal(QStringLiteral("Фланг -2  Тревога"));
    poll(10);
    simCommand("flank 2 norm");
    waitForJournal(QStringLiteral("Фланг -2  Норма"));
    poll(10);
    simCommand("tamper open");
    waitForJournal(QStringLiteral("ДВ разомкнут"));
    poll(10);
    simCommand("tamper closed");
    waitForJournal(QStringLiteral("ДВ замкнут"));
    poll(10);

    // Remote test: the detector reports alarm on both flanks for 3 s.
    control<QPushButton>("Command5")->click();
    waitForJournal(QStringLiteral("Фланг -2  Тревога"));
    waitForJournal(QStringLiteral("Фланг -2  Норма"));
    poll(10);

    // A silent line: the watchdog reopens the port after 2 s, declares the
    // link lost after 4 s and stops the exchange, which enables "СТАРТ".
    simCommand("silence on");
    waitUntil(QStringLiteral("the lost link"), [&] { return start->isEnabled(); });
    simCommand("silence off");

    // A restart: the speed search again, on flank 2, then polls; then "СТОП".
    start->click();
    poll(33);
    stop->click();

    simCommand("quit");
    if (!simulator.waitForFinished(3000))
        simulator.kill();

    const QByteArray text = normalised().toUtf8();
    if (argc > 1) {
        QFile out(QString::fromLocal8Bit(argv[1]));
        if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
            fail(QStringLiteral("cannot write %1").arg(out.fileName()));
    } else {
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    }
    return 0;
}
