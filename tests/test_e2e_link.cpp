// The window on the real serial service and the simulated detector (verkan-sim, 19200 baud,
// address 1) on a pseudo-terminal, through a symbolic link that keeps its name when the
// simulator is restarted: the speed search finds the detector and its readings stay fresh, then
// answering every 3 s it has its port reset but is never lost; the terminal vanishing in the
// middle of a reply. (Replies in random pieces with noise between them: test_exchange's
// dispatch on the engine, which fails on the same faults at a fraction of the cost.)

#include "app/form1.h"
#include "app/journallistview.h"
#include "app/settingcontrols.h"
#include "link/exchange.h"
#include "link/qtserialport.h"
#include "support/simdetector.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeout = 15000;
const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;
// The simulator's flank 1 as the setting rows show it, unit number first.
const QString kFlank1 = u"1 10 5 1,5 200 6 2 100"_s;

struct Bench {
    QTemporaryDir dir;
    std::unique_ptr<SimDetector> sim;
    std::unique_ptr<QtSerialPortService> port;
    std::unique_ptr<Form1> form;

    // A (new) simulator, at 19200 baud and address 1, on the link "tty".
    bool startSimulator()
    {
        sim.reset();
        sim = std::make_unique<SimDetector>(
            QStringLiteral(VERKAN_SIM_PATH), dir,
            QStringList{u"--baud"_s, u"19200"_s, u"--address"_s, u"1"_s});
        return sim->ready() && QFileInfo(sim->tty()).isSymLink();
    }
    // Port 1 is the simulator, ports 2-16 lead nowhere.
    bool setUp()
    {
        if (!dir.isValid() || !startSimulator())
            return false;
        port = std::make_unique<QtSerialPortService>(sim->portEnvironment());
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

// CPU time (user + system) this process has used so far, in milliseconds.
qint64 cpuMilliseconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return qint64(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

}  // namespace

class E2eLinkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void slowDetectorIsResetButNeverLost()
    {
        Bench b;
        QVERIFY(b.setUp());
        b.start();
        QVERIFY2(b.linkUp(), qPrintable(b.rows()));
        int stale = 0, fresh = 0;
        QObject::connect(&b.form->exchange(), &Exchange::readingsStale, [&] { ++stale; });
        QObject::connect(&b.form->exchange(), &Exchange::readingsFresh, [&] { ++fresh; });
        // Answering every poll in its slot, it keeps its readings fresh.
        QTest::qWait(2000);
        QVERIFY(b.form->exchange().readingsAreFresh());
        QCOMPARE(stale, 0);

        // Each gap outlasts one watchdog period (the port is closed and
        // reopened) but never two (the detector would be lost).
        b.sim->command(u"every 3000"_s);
        SilenceWatch silence(b.form->exchange());
        int notAlive = 0;
        QObject::connect(&silence.timer, &QTimer::timeout,
                         [&] { notAlive += b.text("Label6") != kLinkAlive; });
        // Its readings are greyed between two replies and shown again at each.
        QTest::qWait(10000);
        silence.timer.stop();

        QCOMPARE(silence.worst, 1);
        QVERIFY2(silence.resets >= 2 && silence.recoveries >= 2,
                 qPrintable(u"%1 %2"_s.arg(silence.resets).arg(silence.recoveries)));
        QCOMPARE(notAlive, 0);
        QVERIFY2(stale >= 2 && fresh >= 2, qPrintable(u"%1 %2"_s.arg(stale).arg(fresh)));
        QCOMPARE(b.linkLossCount(), 0);
        QVERIFY(b.form->exchange().isRunning() && b.port->isOpen());
        QCOMPARE(b.rows(), kFlank1);
    }

    void terminalVanishesMidReplyAndComesBack()
    {
        Bench b;
        QVERIFY(b.setUp());
        b.start();
        QVERIFY2(b.linkUp(), qPrintable(b.rows()));

        // One byte per write: kill the simulator while a reply is half
        // received, and remove the link it leaves (the adapter is unplugged).
        b.sim->command(u"delivery char"_s);
        const ReplyAssembler &assembler = b.form->exchange().assembler();
        const QDeadlineTimer deadline(kTimeout);
        while (!(assembler.bodyOpen() && assembler.body().size() <= 8) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QVERIFY(!deadline.hasExpired());
        b.sim->kill();
        QVERIFY(QFile::remove(b.sim->tty()));

        // The dead terminal must not make the program spin.
        const qint64 cpuBefore = cpuMilliseconds();
        QTest::qWait(2000);
        const qint64 cpuUsed = cpuMilliseconds() - cpuBefore;
        QVERIFY2(cpuUsed < 500, qPrintable(u"%1 ms of CPU"_s.arg(cpuUsed)));

        // The watchdog fails to reopen the port and declares the loss, once.
        QTRY_VERIFY_WITH_TIMEOUT(b.control<QPushButton>("Command4")->isEnabled(), kTimeout);
        QVERIFY(!b.port->isOpen());
        QCOMPARE(b.linkLossCount(), 1);
        QCOMPARE(b.journalCount(u"   Стоп"_s), 1);

        // The adapter is back under the same name: "СТАРТ" brings the link back.
        QVERIFY(b.startSimulator());
        b.control<QLabel>("Label24")->setText(u"-"_s);
        b.start();
        QVERIFY2(b.linkUp(), qPrintable(b.rows()));
        QCOMPARE(b.linkLossCount(), 1);
    }
};

QTEST_MAIN(E2eLinkTest)
#include "test_e2e_link.moc"
