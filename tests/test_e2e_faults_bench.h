#pragma once

// The end-to-end fixture: the window on the real serial service, talking to
// the simulated detector (verkan-sim, 19200 baud, address 1) on a
// pseudo-terminal, through a symbolic link that keeps its name when the
// simulator is restarted.

#include "app/form1.h"
#include "app/journallistview.h"
#include "app/settingcontrols.h"
#include "link/comports.h"
#include "link/exchange.h"
#include "link/qtserialport.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace e2e {

using namespace Qt::StringLiterals;

inline constexpr int kTimeout = 15000;
inline const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;
// The simulator's flank 1 as the setting rows show it, unit number first.
inline const QString kFlank1 = u"1 10 5 1,5 200 6 2 100"_s;

struct Bench {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> sim;
    std::unique_ptr<QtSerialPortService> port;
    std::unique_ptr<Form1> form;

    ~Bench()
    {
        form.reset();
        if (sim && sim->state() != QProcess::NotRunning) {
            sim->write("quit\n");
            if (!sim->waitForFinished(3000))
                kill();
        }
    }
    QString linkPath() const { return dir.filePath(u"tty"_s); }
    QString logPath() const { return dir.filePath(u"sim.log"_s); }

    // A (new) simulator; ready once it has reported its terminal.
    bool startSimulator()
    {
        sim = std::make_unique<QProcess>();
        sim->start(QStringLiteral(VERKAN_SIM_PATH),
                   {u"--baud"_s, u"19200"_s, u"--address"_s, u"1"_s, u"--link"_s, linkPath(),
                    u"--log"_s, logPath(), u"--quiet"_s});
        return sim->waitForReadyRead(kTimeout) && sim->canReadLine() && sim->readLine().size() &&
               QFileInfo(linkPath()).isSymLink();
    }
    void command(const QString &line) { sim->write(line.toLocal8Bit() + '\n'); }
    // The terminal vanishes at once, whatever the simulator was writing.
    void kill()
    {
        sim->kill();
        sim->waitForFinished(kTimeout);
    }
    // Port 1 is the simulator, ports 2-16 lead nowhere.
    bool setUp()
    {
        if (!dir.isValid() || !startSimulator())
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"VERKAN_COM1"_s, linkPath());
        for (int n = 2; n <= kLastComPort; ++n)
            env.insert(u"VERKAN_COM%1"_s.arg(n), dir.filePath(u"missing-%1"_s.arg(n)));
        port = std::make_unique<QtSerialPortService>(env);
        Form1Dependencies deps;
        deps.port = port.get();
        deps.journalPath = dir.filePath(u"Jurnal.txt"_s);
        form = std::make_unique<Form1>(deps);
        return control<QComboBox>("Combo3")->count() == 1;
    }
    template <typename T> T *control(const char *name) const
    {
        return form->findChild<T *>(QLatin1String(name));
    }
    QString text(const char *label) const { return control<QLabel>(label)->text(); }
    // "СТАРТ" on port 1.
    void start()
    {
        control<QComboBox>("Combo3")->setCurrentIndex(0);
        control<QPushButton>("Command4")->click();
    }
    // What the setting rows show, space-separated.
    QString rows() const
    {
        QStringList values;
        for (const SettingControls &row : findSettingControls(form.get()))
            values << (row.list ? row.list->currentText() : row.valueBox->text());
        return values.join(u' ');
    }
    // The link is up at 19200 baud with flank 1's settings read and "Норма".
    bool linkUp() const
    {
        return QTest::qWaitFor(
            [this] {
                return text("Label6") == kLinkAlive && rows() == kFlank1 &&
                       text("Label24") == u"19200,"_s && text("Label4") == u"Норма"_s;
            },
            kTimeout);
    }
    // Journal list entries (time stamp first) ending with `words`.
    int journalCount(const QString &words) const
    {
        const auto *list = control<JournalListView>("List1");
        int n = 0;
        for (int i = 0; i < list->count(); ++i)
            n += list->entry(i).endsWith(words);
        return n;
    }
    int linkLossCount() const { return journalCount(u"  НЕТ СВЯЗИ С БЛОКОМ!"_s); }
};

// Samples the exchange's silent watchdog periods every 20 ms; `worst` is the
// most seen, `resets` and `recoveries` count the steps from 0 to 1 and back.
struct SilenceWatch {
    explicit SilenceWatch(Exchange &exchange)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, &exchange] {
            const int now = exchange.silentPeriods();
            worst = std::max(worst, now);
            resets += now == 1 && last == 0;
            recoveries += now == 0 && last == 1;
            last = now;
        });
        timer.start(20);
    }
    QTimer timer;
    int worst = 0, last = 0, resets = 0, recoveries = 0;
};

}  // namespace e2e
