#pragma once

// The shared end-to-end fixture: the window on the real serial service, talking
// to the simulated detector (verkan-sim, 19200 baud, address 1) through a
// symbolic link that keeps its name when the simulator is restarted.

#include "app/colors.h"
#include "app/form1.h"
#include "link/comports.h"
#include "link/qtserialport.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace faults {

using namespace Qt::StringLiterals;

inline constexpr int kTimeout = 15000;
inline const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;

// Limit, gain, threshold, accumulation, front, alarm time, self-test.
using Rows = QStringList;
inline const Rows kFlank1{u"10"_s, u"5"_s, u"1,5"_s, u"200"_s, u"6"_s, u"2"_s, u"100"_s};
inline const Rows kFlank2{u"100"_s, u"6"_s, u"1,3"_s, u"350"_s, u"10"_s, u"3"_s, u"200"_s};

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
    QString journalPath() const { return dir.filePath(u"Jurnal.txt"_s); }

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
    // The simulator's "status" text, once every command before has run.
    QString status()
    {
        command(u"status"_s);
        QString text;
        for (const QDeadlineTimer deadline(kTimeout); !deadline.hasExpired();) {
            while (sim->canReadLine()) {
                text += QString::fromLocal8Bit(sim->readLine());
                if (text.contains(u"flank 2:"_s) && text.endsWith(u'\n'))
                    return text;
            }
            sim->waitForReadyRead(int(deadline.remainingTime()));
        }
        return text;
    }
    // The terminal vanishes at once, whatever the simulator was writing.
    void kill()
    {
        sim->kill();
        sim->waitForFinished(kTimeout);
    }
    // Port 1 is the simulator, ports 2-16 lead nowhere.
    bool setUp(AlarmPlayer *alarm = nullptr)
    {
        if (!dir.isValid() || !startSimulator())
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"VERKAN_COM1"_s, linkPath());
        for (int n = 2; n <= kLastComPort; ++n)
            env.insert(u"VERKAN_COM%1"_s.arg(n), dir.filePath(u"missing-%1"_s.arg(n)));
        port = std::make_unique<QtSerialPortService>(env);
        form = std::make_unique<Form1>(
            Form1Dependencies{port.get(), journalPath(), &QDateTime::currentDateTime, alarm});
        return form->Combo3->count() == 1 && form->Combo3->itemText(0) == u"1"_s;
    }
    // "СТАРТ" on port 1.
    void start()
    {
        form->Combo3->setCurrentIndex(0);
        form->startExchange();
    }
    void chooseFlank(int flank)
    {
        form->Combo2->setCurrentIndex(form->Combo2->findText(QString::number(flank)));
        form->flankChosen();
    }
    // The link is up at 19200 with flank 1's rows, unit 1 and "Норма".
    bool linkUp() const
    {
        return QTest::qWaitFor(
            [this] {
                return form->Label6->text() == kLinkAlive && rows() == kFlank1 &&
                       form->Label24->text() == u"19200,"_s && form->Text8->text() == u"1"_s &&
                       form->Label4->text() == u"Норма"_s;
            },
            kTimeout);
    }
    Rows rows() const
    {
        const Form1 &w = *form;
        return {w.Combo1->currentText(), w.Text7->text(),  w.Text5->text(), w.Text6->text(),
                w.Text9->text(),         w.Text10->text(), w.Text4->text()};
    }
    QString rowText() const { return rows().join(u" | "_s) + u" unit "_s + form->Text8->text(); }
    QStringList journal() const
    {
        QStringList items;
        for (int i = 0; i < form->List1->count(); ++i)
            items << form->List1->item(i)->text();
        return items;
    }
    // List entries (time stamp first) ending with `text`.
    int journalCount(const QString &text) const
    {
        int n = 0;
        for (const QString &entry : journal())
            n += entry.endsWith(text);
        return n;
    }
    int linkLossCount() const { return int(journal().filter(u"НЕТ СВЯЗИ С БЛОКОМ!"_s).size()); }
    QStringList readLines(const QString &path, const QString &separator) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(separator)
                                              : QStringList();
    }
    // The journal file holds the quoted line ending with `text`.
    bool fileHas(const QString &text) const
    {
        const QStringList lines = readLines(journalPath(), u"\r\n"_s);
        return !lines
                    .filter(QRegularExpression(u"^\".*"_s + QRegularExpression::escape(text) +
                                               u"\"$"_s))
                    .isEmpty();
    }
    QStringList simLog() const { return readLines(logPath(), u"\n"_s); }
    // Reply frames ("!" + body) the simulator has logged as sent.
    QStringList repliesSent() const
    {
        QStringList replies;
        for (const QString &line : simLog())
            if (const qsizetype at = line.indexOf(u" > !"_s); at >= 0)
                replies << line.mid(at + 3);
        return replies;
    }
};

// Samples the loss counter every 20 ms and keeps the worst value seen.
struct LossWatch {
    explicit LossWatch(const Form1 &w)
    {
        QObject::connect(&timer, &QTimer::timeout,
                         [this, &w] { worst = std::max(worst, int(w.state().CntPoteriObm)); });
        timer.start(20);
    }
    QTimer timer;
    int worst = 0;
};

}  // namespace faults
