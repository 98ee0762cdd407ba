// Faults of the line, end to end: the window on the real serial service
// against the simulated detector when the terminal vanishes mid-reply, when
// the line carries noise, split replies or bad checksums, when the detector
// is silent and when it answers only every few seconds.

#include "link/codec.h"
#include "test_e2e_faults_bench.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

using namespace faults;

namespace {

// CPU time (user + system) this process has used so far, in milliseconds.
qint64 cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

}  // namespace

class E2eFaultsLinkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void terminalVanishesMidReplyAndComesBack();
    void noiseAndSplitRepliesKeepTheLink();
    void badChecksumsAreDroppedQuietly();
    void silentDetectorIsLostOnce();
    void slowDetectorIsResetButNeverLost();
};

void E2eFaultsLinkTest::terminalVanishesMidReplyAndComesBack()
{
    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.error()));
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rows()));

    // One byte per write: kill the simulator while a reply is half received.
    b.sim->command(u"delivery char"_s);
    const QDeadlineTimer deadline(kTimeout);
    bool halfway = false;
    while (!halfway && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        halfway = w.state().Mode == 1 && w.state().buf1.size() <= 8;
    }
    QVERIFY(halfway);
    b.sim->kill();
    // A killed simulator leaves its link behind: the adapter is unplugged.
    QVERIFY(QFile::remove(b.linkPath()));
    const qint64 cpuBefore = cpuMilliseconds();

    // The dead terminal must not make the program spin.
    QTest::qWait(2000);
    const qint64 cpuUsed = cpuMilliseconds() - cpuBefore;
    QVERIFY2(cpuUsed < 500, qPrintable(u"%1 ms of CPU"_s.arg(cpuUsed)));
    QTRY_VERIFY_WITH_TIMEOUT(!b.port->isOpen(), kTimeout);

    // The watchdog fails to reopen the port and declares the loss, once.
    QTRY_VERIFY_WITH_TIMEOUT(w.Command4->isEnabled(), kTimeout);
    QCOMPARE(b.linkLossCount(), 1);
    QCOMPARE(b.journalCount(u"   Стоп"_s), 1);
    QCOMPARE(w.Label4->text(), u"Нет связи"_s);
    QCOMPARE(w.Text7->text(), u" "_s);
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer5->isActive());

    // The adapter is back under the same name: "СТАРТ" brings the link back.
    QVERIFY2(b.startSimulator(), qPrintable(b.error()));
    b.start();
    QVERIFY(b.port->isOpen());
    QVERIFY2(b.linkUp(), qPrintable(b.rows()));
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Blue);
    QVERIFY(w.Command3->isEnabled());
    QCOMPARE(b.linkLossCount(), 1);
}

void E2eFaultsLinkTest::noiseAndSplitRepliesKeepTheLink()
{
    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.error()));
    Form1 &w = *b.form;
    b.sim->command(u"delivery random"_s);
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rows()));

    // Bursts of noise land between replies and inside split ones.
    QTimer noise;
    QObject::connect(&noise, &QTimer::timeout, [&b] { b.sim->command(u"garbage 24"_s); });
    noise.start(100);
    int worstLoss = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { worstLoss = std::max(worstLoss, int(w.state().CntPoteriObm)); });
    watch.start(20);

    const int alarmsBefore = b.journalCount(u"  Фланг -1  Тревога"_s);
    const int normsBefore = b.journalCount(u"  Фланг -1  Норма"_s);
    QTest::qWait(1500);
    b.sim->command(u"flank 1 alarm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Тревога"_s, kTimeout);
    QTest::qWait(1500);
    b.sim->command(u"flank 1 norm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Норма"_s, kTimeout);
    QTest::qWait(1000);
    noise.stop();
    watch.stop();

    // Each change journalled once: no damaged reply passed for a status.
    QCOMPARE(b.journalCount(u"  Фланг -1  Тревога"_s), alarmsBefore + 1);
    QCOMPARE(b.journalCount(u"  Фланг -1  Норма"_s), normsBefore + 1);
    QCOMPARE(w.Label4->text(), u"Норма"_s);
    QVERIFY2(b.shows(kFlank1), qPrintable(b.rows()));
    QCOMPARE(w.Text8->text(), u"1"_s);
    QCOMPARE(b.linkLossCount(), 0);
    QCOMPARE(worstLoss, 0);
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QVERIFY(w.Command3->isEnabled());
    QVERIFY(b.port->isOpen());
    // The noise really went out.
    QVERIFY(b.simLog().filter(u"> garbage"_s).size() >= 20);
}

void E2eFaultsLinkTest::badChecksumsAreDroppedQuietly()
{
    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.error()));
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rows()));
    const QStringList journalBefore = b.journal();

    // A fifth of the replies fail their checksum, settings reads among them.
    b.sim->command(u"badsum 20"_s);
    int worstLoss = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { worstLoss = std::max(worstLoss, int(w.state().CntPoteriObm)); });
    watch.start(20);
    for (const Form1::SettingControls &row : w.settingRows()) {
        row.unlockBox->setChecked(true);
        row.unlockBox->setChecked(false);  // queues a read of the row
        QTest::qWait(200);
    }
    QTest::qWait(1000);

    QVERIFY2(b.shows(kFlank1), qPrintable(b.rows()));
    QCOMPARE(w.Text8->text(), u"1"_s);
    QCOMPARE(b.journal(), journalBefore);
    QCOMPARE(w.Label4->text(), u"Норма"_s);

    // A state change still comes through, journalled once.
    b.sim->command(u"flank 1 alarm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Тревога"_s, kTimeout);
    QTest::qWait(1000);
    watch.stop();
    QCOMPARE(b.journal().size(), journalBefore.size() + 1);
    QVERIFY2(b.journal().first().endsWith(u"  Фланг -1  Тревога"_s), qPrintable(b.journal()[0]));
    QVERIFY2(b.shows(kFlank1), qPrintable(b.rows()));
    QCOMPARE(worstLoss, 0);
    QCOMPARE(w.Label6->text(), kLinkAlive);
    QVERIFY(w.Command3->isEnabled());

    // Bad replies really went out, and not too few.
    int bad = 0;
    for (const QString &reply : b.repliesSent())
        if (!codec::replyCheckPasses(reply.mid(1)))
            ++bad;
    QVERIFY2(bad >= 5, qPrintable(QString::number(bad)));
}

void E2eFaultsLinkTest::silentDetectorIsLostOnce()
{
    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.error()));
    Form1 &w = *b.form;
    b.sim->command(u"silence on"_s);
    const QString status = b.sim->status();
    QVERIFY2(status.contains(u"silence on"_s), qPrintable(status));
    b.start();
    QVERIFY(w.Command3->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(w.Command4->isEnabled(), kTimeout);
    // Nothing more happens afterwards: no second loss, no second stop.
    QTest::qWait(1500);
    const QStringList journal = b.journal();
    QCOMPARE(journal.size(), 3);
    QVERIFY2(journal[2].contains(u"Старт."_s), qPrintable(journal[2]));
    QVERIFY2(journal[1].endsWith(u"  НЕТ СВЯЗИ С БЛОКОМ!"_s), qPrintable(journal[1]));
    QVERIFY2(journal[0].endsWith(u"   Стоп"_s), qPrintable(journal[0]));
    QCOMPARE(w.Label6->text(), u"Нет связи с блоком. Проверьте адрес и питание! "_s);
    QCOMPARE(Form1::labelTextColor(w.Label6), bgr::Red);
    QCOMPARE(w.Label4->text(), u"Нет связи"_s);
    QVERIFY(!w.Command3->isEnabled());
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer5->isActive());
    QVERIFY(!b.port->isOpen());
    QCOMPARE(b.repliesSent().size(), 0);
}

void E2eFaultsLinkTest::slowDetectorIsResetButNeverLost()
{
    Bench b;
    QVERIFY2(b.setUp(), qPrintable(b.error()));
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rows()));

    // One answer per 3 s: each silent gap outlasts one watchdog period (a
    // port reset) but never two (a loss).
    b.sim->command(u"every 3000"_s);
    int resets = 0;
    int recoveries = 0;
    int worstLoss = 0;
    int notBlue = 0;
    qint16 last = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint16 now = w.state().CntPoteriObm;
        if (now == 1 && last == 0)
            ++resets;
        if (now == 0 && last == 1)
            ++recoveries;
        worstLoss = std::max(worstLoss, int(now));
        if (w.Label6->text() != kLinkAlive || Form1::labelTextColor(w.Label6) != bgr::Blue)
            ++notBlue;
        last = now;
    });
    watch.start(20);
    const int repliesBefore = int(b.repliesSent().size());
    QTest::qWait(10000);
    watch.stop();

    QCOMPARE(b.linkLossCount(), 0);
    QCOMPARE(worstLoss, 1);
    QVERIFY2(resets >= 2, qPrintable(QString::number(resets)));
    QVERIFY2(recoveries >= 2, qPrintable(QString::number(recoveries)));
    QCOMPARE(notBlue, 0);
    QVERIFY(w.Command3->isEnabled());
    QVERIFY(w.Timer5->isActive());
    QVERIFY(b.port->isOpen());
    QVERIFY2(b.shows(kFlank1), qPrintable(b.rows()));
    QCOMPARE(w.Label4->text(), u"Норма"_s);
    // The detector kept to its pace: three or four answers in ten seconds.
    const int replies = int(b.repliesSent().size()) - repliesBefore;
    QVERIFY2(replies >= 2 && replies <= 4, qPrintable(QString::number(replies)));
}

QTEST_MAIN(E2eFaultsLinkTest)
#include "test_e2e_faults_link.moc"
