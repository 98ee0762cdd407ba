// Faults only a real terminal shows: the terminal vanishing in the middle of
// a reply, and replies the driver hands over in random pieces with line
// noise between them.

#include "test_e2e_faults_bench.h"

#include <QDeadlineTimer>

#include <sys/resource.h>

using namespace e2e;

namespace {

// CPU time (user + system) this process has used so far, in milliseconds.
qint64 cpuMilliseconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return qint64(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

}  // namespace

class E2eFaultsLinkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void terminalVanishesMidReplyAndComesBack()
    {
        Bench b;
        QVERIFY(b.setUp());
        b.start();
        QVERIFY2(b.linkUp(), qPrintable(b.rows()));

        // One byte per write: kill the simulator while a reply is half
        // received, and remove the link it leaves (the adapter is unplugged).
        b.command(u"delivery char"_s);
        const ReplyAssembler &assembler = b.form->exchange().assembler();
        const QDeadlineTimer deadline(kTimeout);
        while (!(assembler.bodyOpen() && assembler.body().size() <= 8) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QVERIFY(!deadline.hasExpired());
        b.kill();
        QVERIFY(QFile::remove(b.linkPath()));

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

    void noiseAndSplitRepliesKeepTheLink()
    {
        Bench b;
        QVERIFY(b.setUp());
        b.command(u"delivery random"_s);
        b.start();
        QVERIFY2(b.linkUp(), qPrintable(b.rows()));

        // Bursts of noise land between replies and inside split ones.
        QTimer noise;
        QObject::connect(&noise, &QTimer::timeout, [&b] { b.command(u"garbage 24"_s); });
        noise.start(100);
        SilenceWatch silence(b.form->exchange());
        for (const QString &state : {u"alarm"_s, u"norm"_s}) {
            QTest::qWait(1500);
            b.command(u"flank 1 "_s + state);
            QTRY_COMPARE_WITH_TIMEOUT(b.text("Label4"),
                                      state == u"alarm"_s ? u"Тревога"_s : u"Норма"_s, kTimeout);
        }
        QTest::qWait(1000);
        noise.stop();

        // Each change journalled once: no damaged reply passed for a status.
        QCOMPARE(b.journalCount(u"  Фланг -1  Тревога"_s), 1);
        QCOMPARE(b.journalCount(u"  Фланг -1  Норма"_s), 1);
        QCOMPARE(b.rows(), kFlank1);
        QCOMPARE(silence.worst, 0);
        QCOMPARE(b.linkLossCount(), 0);
    }
};

QTEST_MAIN(E2eFaultsLinkTest)
#include "test_e2e_faults_link.moc"
