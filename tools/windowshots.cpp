// Takes the README's pictures of a live window: the program connected to the
// simulated detector, a flank in alarm, and a setting being changed. Runs
// offscreen; usage: windowshots OUTPUT_FOLDER
#include "app/controls.h"
#include "app/form1.h"
#include "app/updown.h"
#include "livesession.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>

#include <cstdio>

namespace {

// Runs the event loop for a while so the exchange goes on.
void runFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(Form1 &window, const QString &path)
{
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: windowshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    LiveSession session;
    if (!session.startSimulator({QStringLiteral("--baud"), QStringLiteral("19200")})) {
        std::fprintf(stderr, "windowshots: the simulated detector did not start\n");
        return 1;
    }
    QProcess &sim = session.simulator();
    Form1 &window = session.openWindowAndStart();
    runFor(4000);
    control<QPushButton>(&window, "Command9")->click();  // a control pass under way
    runFor(3000);
    bool ok = save(window, out.filePath(QStringLiteral("window-live.png")));

    sim.write("flank 1 alarm\ntamper open\n");
    runFor(3000);
    ok &= save(window, out.filePath(QStringLiteral("window-alarm.png")));

    sim.write("flank 1 norm\ntamper closed\n");
    runFor(1500);
    control<QCheckBox>(&window, "Check2")->setChecked(true);
    for (int i = 0; i < 3; ++i)
        control<UpDown>(&window, "UpDown2")->stepUp();
    runFor(500);
    ok &= save(window, out.filePath(QStringLiteral("window-setting.png")));
    control<QPushButton>(&window, "Command2")->click();
    runFor(1500);
    ok &= save(window, out.filePath(QStringLiteral("window-applied.png")));

    session.stop();
    return ok ? 0 : 1;
}
