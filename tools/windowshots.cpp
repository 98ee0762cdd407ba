// Takes the README's pictures of a live window: the program connected to the
// simulated detector, its "Файл" menu open, a flank in alarm, a setting being
// changed, a settings file written with one value refused, and the line
// view watching six simulated detectors on one line. Runs offscreen; usage:
// windowshots OUTPUT_FOLDER
#include "app/applyprofiledialog.h"
#include "app/controls.h"
#include "app/form1.h"
#include "app/lineview.h"
#include "app/mainwindow.h"
#include "app/updown.h"
#include "link/exchange.h"
#include "livesession.h"
#include "tasks/readsettingstask.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTcpServer>

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

bool save(const QImage &picture, const QString &path)
{
    const bool ok = picture.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

bool save(QWidget &window, const QString &path)
{
    return save(window.grab().toImage(), path);
}

// The window with the first menu of its menu bar open: the menu is a window
// of its own, so its picture is laid over the window's where it shows.
bool saveWithMenuOpen(MainWindow &window, const QString &path)
{
    QAction *first = window.menuBar()->actions().value(0);
    window.menuBar()->setActiveAction(first);
    runFor(500);
    QMenu *menu = first->menu();
    QImage picture = window.grab().toImage();
    QPainter painter(&picture);
    painter.drawPixmap(menu->pos() - window.mapToGlobal(QPoint(0, 0)), menu->grab());
    painter.end();
    menu->hide();
    return save(picture, path);
}

// "Записать настройки в блок…" with a file that differs from the detector in
// two settings, one of which the detector does not take.
bool saveProfileDialog(LiveSession &session, const QString &path)
{
    Form1 &form = session.mainWindow().form();
    ReadSettingsTask reader(form.exchange());
    reader.start();
    while (!reader.hasEnded())
        runFor(100);
    SettingsProfile profile = reader.profile();
    profile.flanks[0][Setting::Gain] = 7;
    profile.flanks[1][Setting::Front] = 8;
    QFile file(session.path(QStringLiteral("site.json")));
    if (!file.open(QIODevice::WriteOnly) || file.write(profile.toJson()) < 0)
        return false;
    file.close();
    session.command("oor 45 4\n");
    auto *dialog = new ApplyProfileDialog(&session.mainWindow(), form.exchange(), file.fileName());
    dialog->open();
    while (!dialog->findChild<QPushButton *>(QStringLiteral("writeButton")))
        runFor(100);
    dialog->findChild<QPushButton *>(QStringLiteral("writeButton"))->click();
    while (dialog->isWorking())
        runFor(100);
    runFor(300);
    const bool ok = save(*dialog, path);
    dialog->close();
    return ok;
}

// "Наблюдение за линией…" over six detectors on one line, one of them in
// alarm and one silent.
bool saveLineView(const QString &path)
{
    LiveSession line;
    if (!line.startSimulator({QStringLiteral("--addresses"), QStringLiteral("1-6"),
                              QStringLiteral("--baud"), QStringLiteral("19200")}))
        return false;
    MainWindow &window = line.openWindow();
    window.findChild<QAction *>(QStringLiteral("lineWatchAction"))->trigger();
    auto *view = window.findChild<LineView *>();
    auto *ports = view->findChild<QComboBox *>(QStringLiteral("linePortBox"));
    ports->setCurrentIndex(ports->findText(QStringLiteral("1")));
    view->findChild<QLineEdit *>(QStringLiteral("lineAddresses"))->setText(QStringLiteral("1-6"));
    // Published to a broker of the tool's own, where mosquitto is installed.
    QProcess broker;
    const QString mosquitto =
        QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")});
    if (!mosquitto.isEmpty()) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        broker.start(mosquitto, {QStringLiteral("-p"), QString::number(port)});
        broker.waitForStarted();
        runFor(500);
        view->findChild<QGroupBox *>(QStringLiteral("mqttGroup"))->setChecked(true);
        view->findChild<QLineEdit *>(QStringLiteral("mqttBroker"))
            ->setText(QStringLiteral("localhost:%1").arg(port));
        view->findChild<QLineEdit *>(QStringLiteral("mqttLine"))->setText(QStringLiteral("north"));
    }
    view->findChild<QPushButton *>(QStringLiteral("lineStartButton"))->click();
    runFor(3000);
    line.command("4 flank 2 alarm\n5 silence on\n");
    runFor(4000);
    auto *table = view->findChild<QTableView *>(QStringLiteral("lineTable"));
    table->setCurrentIndex(table->model()->index(3, 0));
    table->setFocus();
    runFor(300);
    view->resize(900, mosquitto.isEmpty() ? 330 : 520);
    runFor(300);
    const bool ok = save(*view, path);
    view->releasePort();
    runFor(300);
    broker.terminate();
    broker.waitForFinished();
    line.stop();
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
    Form1 &form = session.openWindowAndStart();
    MainWindow &window = session.mainWindow();
    runFor(4000);
    control<QPushButton>(&form, "Command9")->click();  // a control pass under way
    runFor(3000);
    bool ok = save(window, out.filePath(QStringLiteral("window-live.png")));
    ok &= saveWithMenuOpen(window, out.filePath(QStringLiteral("window-menu.png")));

    session.command("flank 1 alarm\ntamper open\n");
    runFor(3000);
    ok &= save(window, out.filePath(QStringLiteral("window-alarm.png")));

    session.command("flank 1 norm\ntamper closed\n");
    runFor(1500);
    control<QCheckBox>(&form, "Check2")->setChecked(true);
    for (int i = 0; i < 3; ++i)
        control<UpDown>(&form, "UpDown2")->stepUp();
    runFor(500);
    ok &= save(window, out.filePath(QStringLiteral("window-setting.png")));
    control<QPushButton>(&form, "Command2")->click();
    runFor(1500);
    ok &= save(window, out.filePath(QStringLiteral("window-applied.png")));
    ok &= saveProfileDialog(session, out.filePath(QStringLiteral("window-profile.png")));

    session.stop();
    ok &= saveLineView(out.filePath(QStringLiteral("window-line.png")));
    return ok ? 0 : 1;
}
