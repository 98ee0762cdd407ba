// Faults of the line: the terminal vanishing mid-reply, noise and split
// replies, bad checksums, a silent detector and one answering every 3 s.

#include "link/codec.h"
#include "test_e2e_faults_bench.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

using namespace faults;

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
    void terminalVanishesMidReplyAndComesBack();
    void noiseAndSplitRepliesKeepTheLink();
    void badChecksumsAreDroppedQuietly();
    void silentDetectorIsLostOnce();
    void slowDetectorIsResetButNeverLost();
};

void E2eFaultsLinkTest::terminalVanishesMidReplyAndComesBack()
{
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));

    // One byte per write: kill the simulator while a reply is half received,
    // and remove the link it leaves behind (the adapter is unplugged).
    b.command(u"delivery char"_s);
    const QDeadlineTimer deadline(kTimeout);
    while (!(w.state().Mode == 1 && w.state().buf1.size() <= 8) && !deadline.hasExpired())
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
    QTRY_VERIFY_WITH_TIMEOUT(w.Command4->isEnabled(), kTimeout);
    QVERIFY(!b.port->isOpen());
    QCOMPARE(b.linkLossCount(), 1);
    QCOMPARE(b.journalCount(u"   Стоп"_s), 1);
    QVERIFY(!w.Timer1->isActive() && !w.Timer5->isActive());

    // The adapter is back under the same name: "СТАРТ" brings the link back.
    QVERIFY(b.startSimulator());
    w.Label24->setText(u"-"_s);
    b.start();
    QCOMPARE(w.state().CntPoteriObm, qint16(0));
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));
    QCOMPARE(b.linkLossCount(), 1);
}

void E2eFaultsLinkTest::noiseAndSplitRepliesKeepTheLink()
{
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.command(u"delivery random"_s);
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));
    b.chooseFlank(2);
    QTRY_VERIFY2_WITH_TIMEOUT(b.rows() == kFlank2, qPrintable(b.rowText()), kTimeout);
    b.chooseFlank(1);
    QTRY_VERIFY2_WITH_TIMEOUT(b.rows() == kFlank1, qPrintable(b.rowText()), kTimeout);

    // Bursts of noise land between replies and inside split ones.
    QTimer noise;
    QObject::connect(&noise, &QTimer::timeout, [&b] { b.command(u"garbage 24"_s); });
    noise.start(100);
    LossWatch loss(w);
    const int alarms = b.journalCount(u"  Фланг -1  Тревога"_s);
    const int norms = b.journalCount(u"  Фланг -1  Норма"_s);
    for (const QString &state : {u"Тревога"_s, u"Норма"_s}) {
        QTest::qWait(1500);
        b.command(state == u"Норма"_s ? u"flank 1 norm"_s : u"flank 1 alarm"_s);
        QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), state, kTimeout);
    }
    QTest::qWait(1000);
    noise.stop();

    // Each change journalled once: no damaged reply passed for a status.
    QCOMPARE(b.journalCount(u"  Фланг -1  Тревога"_s), alarms + 1);
    QCOMPARE(b.journalCount(u"  Фланг -1  Норма"_s), norms + 1);
    QVERIFY2(b.rows() == kFlank1, qPrintable(b.rowText()));
    QCOMPARE(loss.worst, 0);
    QCOMPARE(b.linkLossCount(), 0);
    QVERIFY(b.port->isOpen());
    QVERIFY(b.simLog().filter(u"> garbage"_s).size() >= 20);
}

void E2eFaultsLinkTest::badChecksumsAreDroppedQuietly()
{
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));
    const QStringList journalBefore = b.journal();

    // A fifth of the replies fail their checksum, settings reads among them.
    b.command(u"badsum 20"_s);
    LossWatch loss(w);
    for (const Form1::SettingControls &row : w.settingRows()) {
        row.unlockBox->setChecked(true);
        row.unlockBox->setChecked(false);  // queues a read of the row
        QTest::qWait(200);
    }
    QTest::qWait(1000);
    QVERIFY2(b.rows() == kFlank1, qPrintable(b.rowText()));
    QCOMPARE(b.journal(), journalBefore);

    // A state change still comes through, journalled once.
    b.command(u"flank 1 alarm"_s);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label4->text(), u"Тревога"_s, kTimeout);
    QTest::qWait(1000);
    QCOMPARE(b.journal().size(), journalBefore.size() + 1);
    QVERIFY2(b.journal().first().endsWith(u"  Фланг -1  Тревога"_s), qPrintable(b.journal()[0]));
    QCOMPARE(loss.worst, 0);
    const QStringList replies = b.repliesSent();
    const auto bad = std::count_if(replies.begin(), replies.end(), [](const QString &r) {
        return !codec::replyCheckPasses(r.mid(1));
    });
    QVERIFY2(bad >= 5, qPrintable(QString::number(bad)));
}

void E2eFaultsLinkTest::silentDetectorIsLostOnce()
{
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.command(u"silence on"_s);
    QVERIFY(b.status().contains(u"silence on"_s));
    QElapsedTimer silent;
    silent.start();
    b.start();
    QVERIFY(w.Command3->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(w.Command4->isEnabled(), kTimeout);
    QVERIFY2(silent.elapsed() > 1500, qPrintable(QString::number(silent.elapsed())));
    // Nothing more happens afterwards: no second loss, no second stop.
    QTest::qWait(1500);
    const QStringList journal = b.journal();
    QCOMPARE(journal.size(), 3);
    QVERIFY2(journal[2].contains(u"Старт."_s), qPrintable(journal[2]));
    QVERIFY2(journal[1].endsWith(u"  НЕТ СВЯЗИ С БЛОКОМ!"_s), qPrintable(journal[1]));
    QVERIFY2(journal[0].endsWith(u"   Стоп"_s), qPrintable(journal[0]));
    QCOMPARE(w.Label6->text(), u"Нет связи с блоком. Проверьте адрес и питание! "_s);

    QVERIFY(!w.Command3->isEnabled() && !b.port->isOpen());
    QVERIFY(!w.Timer1->isActive() && !w.Timer5->isActive());
    QCOMPARE(b.repliesSent().size(), 0);
}

void E2eFaultsLinkTest::slowDetectorIsResetButNeverLost()
{
    Bench b;
    QVERIFY(b.setUp());
    Form1 &w = *b.form;
    b.start();
    QVERIFY2(b.linkUp(), qPrintable(b.rowText()));

    // One answer per 3 s: each gap outlasts one watchdog period (a port
    // reset) but never two (a loss).
    b.command(u"every 3000"_s);
    int resets = 0, recoveries = 0, notBlue = 0;
    qint16 last = 0;
    LossWatch loss(w);
    QObject::connect(&loss.timer, &QTimer::timeout, [&] {
        const qint16 now = w.state().CntPoteriObm;
        resets += now == 1 && last == 0;
        recoveries += now == 0 && last == 1;
        notBlue += w.Label6->text() != kLinkAlive || Form1::labelTextColor(w.Label6) != bgr::Blue;
        last = now;
    });
    const int repliesBefore = int(b.repliesSent().size());
    QTest::qWait(10000);
    loss.timer.stop();

    QCOMPARE(b.linkLossCount(), 0);
    QCOMPARE(loss.worst, 1);
    QVERIFY2(resets >= 2 && recoveries >= 2, qPrintable(u"%1 %2"_s.arg(resets).arg(recoveries)));
    QCOMPARE(notBlue, 0);
    QVERIFY(w.Command3->isEnabled() && w.Timer5->isActive() && b.port->isOpen());
    QVERIFY2(b.rows() == kFlank1, qPrintable(b.rowText()));
    // The detector kept to its pace: three or four answers in ten seconds.
    const int replies = int(b.repliesSent().size()) - repliesBefore;
    QVERIFY2(replies >= 2 && replies <= 4, qPrintable(QString::number(replies)));
}

QTEST_MAIN(E2eFaultsLinkTest)
#include "test_e2e_faults_link.moc"
