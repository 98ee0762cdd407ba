#pragma once

// The bench of the fault end-to-end tests: the window on the real serial
// service, talking to the simulated detector (verkan-sim) through a symbolic
// link in a temporary folder. The link path stays the same when the simulator
// is killed and another one started, as a replugged adapter keeps its name.

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
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace faults {

using namespace Qt::StringLiterals;

inline constexpr int kTimeout = 15000;

inline const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;
inline const QString kLinkLostJournal = u"НЕТ СВЯЗИ С БЛОКОМ!"_s;

// The simulator's default settings of flank 1 as the rows show them.
struct Rows {
    QString limit, gain, threshold, accumulation, front, alarmTime, selfTest;
};
inline const Rows kFlank1{u"10"_s, u"5"_s, u"1,5"_s, u"200"_s, u"6"_s, u"2"_s, u"100"_s};

// verkan-sim in a child process at 19200 baud, address 1.
class SimProcess {
public:
    SimProcess() { m_process.setProcessChannelMode(QProcess::SeparateChannels); }
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator with its terminal linked at `link` and its log in
    // `log`; true once it has reported its terminal.
    bool start(const QString &link, const QString &log)
    {
        m_process.start(QStringLiteral(VERKAN_SIM_PATH),
                        {u"--baud"_s, u"19200"_s, u"--address"_s, u"1"_s, u"--link"_s, link,
                         u"--log"_s, log, u"--quiet"_s});
        if (!m_process.waitForStarted(kTimeout)) {
            m_error = m_process.errorString();
            return false;
        }
        const QDeadlineTimer deadline(kTimeout);
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() ||
                !m_process.waitForReadyRead(int(deadline.remainingTime()))) {
                m_error = u"no terminal reported: "_s +
                          QString::fromLocal8Bit(m_process.readAllStandardError());
                return false;
            }
        }
        m_process.readLine();
        if (!QFileInfo(link).isSymLink()) {
            m_error = u"link %1 missing"_s.arg(link);
            return false;
        }
        return true;
    }
    // One command line on the simulator's standard input, sent as the event
    // loop runs.
    void command(const QString &line) { m_process.write(line.toLocal8Bit() + '\n'); }
    // The simulator's "status" text, once it has run every command before.
    QString status()
    {
        m_process.write("status\n");
        QString text;
        const QDeadlineTimer deadline(kTimeout);
        while (!deadline.hasExpired()) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
                text += line + u'\n';
                if (line.startsWith(u"flank 2:"_s))
                    return text;
            }
            m_process.waitForReadyRead(int(deadline.remainingTime()));
        }
        return text;
    }
    // True once the simulator has run every command sent before.
    bool sync() { return status().contains(u"flank 2:"_s); }
    // The terminal vanishes at once, whatever the simulator was writing.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(kTimeout);
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000))
            kill();
    }
    QString error() const { return m_error; }

private:
    QProcess m_process;
    QString m_error;
};

struct Bench {
    QTemporaryDir dir;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<QtSerialPortService> port;
    std::unique_ptr<Form1> form;

    ~Bench()
    {
        form.reset();
        sim.reset();
    }

    QString linkPath() const { return dir.filePath(u"tty"_s); }
    QString logPath() const { return dir.filePath(u"sim.log"_s); }
    QString journalPath() const { return dir.filePath(u"Jurnal.txt"_s); }

    // A (new) simulator on the bench's link.
    bool startSimulator()
    {
        sim = std::make_unique<SimProcess>();
        return sim->start(linkPath(), logPath());
    }

    // Simulator, serial service and window; port 1 is the simulator, ports
    // 2-16 lead to paths that do not exist.
    bool setUp(AlarmPlayer *alarm = nullptr)
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
        deps.journalPath = journalPath();
        deps.alarm = alarm;
        form = std::make_unique<Form1>(deps);
        return form->Combo3->count() == 1 && form->Combo3->itemText(0) == u"1"_s;
    }
    QString error() const { return sim ? sim->error() : u"no temporary folder"_s; }

    // "СТАРТ" on port 1.
    void start()
    {
        form->Combo3->setCurrentIndex(form->Combo3->findText(u"1"_s));
        form->startExchange();
    }

    // Waits until the link is up and the rows and state of flank 1 are read.
    bool linkUp() const
    {
        return QTest::qWaitFor(
            [this] {
                return form->Label6->text() == kLinkAlive && shows(kFlank1) &&
                       form->Text8->text() == u"1"_s && form->Label4->text() == u"Норма"_s;
            },
            kTimeout);
    }

    bool shows(const Rows &v) const
    {
        const Form1 &w = *form;
        return w.Combo1->currentText() == v.limit && w.Text7->text() == v.gain &&
               w.Text5->text() == v.threshold && w.Text6->text() == v.accumulation &&
               w.Text9->text() == v.front && w.Text10->text() == v.alarmTime &&
               w.Text4->text() == v.selfTest;
    }
    QString rows() const
    {
        const Form1 &w = *form;
        return QStringList{w.Combo1->currentText(), w.Text7->text(), w.Text5->text(),
                           w.Text6->text(),         w.Text9->text(), w.Text10->text(),
                           w.Text4->text(),         w.Text8->text()}
            .join(u" | "_s);
    }

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
            if (entry.endsWith(text))
                ++n;
        return n;
    }
    int linkLossCount() const { return journal().filter(kLinkLostJournal).size(); }

    // The lines of the simulator's log.
    QStringList simLog() const
    {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    // Reply frames ("!" + body) the simulator has logged as sent.
    QStringList repliesSent() const
    {
        QStringList replies;
        for (const QString &line : simLog()) {
            const qsizetype at = line.indexOf(u" > !"_s);
            if (at >= 0)
                replies << line.mid(at + 3);
        }
        return replies;
    }
};

}  // namespace faults
