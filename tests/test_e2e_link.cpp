// The window and the simulated detector on a pseudo-terminal: the speed
// search finds the detector's speed, an alarm reaches the window, and a
// detector that answers every 3 s has its port reopened but is never lost.

#include "app/controls.h"
#include "base/colors.h"
#include "test_e2e_faults_bench.h"

using namespace e2e;

class E2eLinkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void linkComesUpAndAlarmIsShown()
    {
        Bench b;
        QVERIFY(b.setUp());
        b.start();
        QVERIFY2(b.linkUp(), qPrintable(b.rows()));
        QVERIFY(b.control<QPushButton>("Command9")->isEnabled());
        QVERIFY(b.control<QPushButton>("Command5")->isEnabled());

        // A detector that answers every poll in its slot keeps its readings
        // fresh: nothing is greyed while it runs.
        int stale = 0;
        QObject::connect(&b.form->exchange(), &Exchange::readingsStale, [&] { ++stale; });
        QTest::qWait(2000);
        QVERIFY(b.form->exchange().readingsAreFresh());
        QCOMPARE(stale, 0);

        b.command(u"flank 1 alarm"_s);
        QTRY_COMPARE_WITH_TIMEOUT(b.text("Label4"), u"Тревога"_s, kTimeout);
        QCOMPARE(labelBackColor(b.control<QLabel>("Label4")), bgr::Red);
        QCOMPARE(b.journalCount(u"  Фланг -1  Тревога"_s), 1);
        QCOMPARE(b.linkLossCount(), 0);
    }

    void slowDetectorIsResetButNeverLost()
    {
        Bench b;
        QVERIFY(b.setUp());
        b.start();
        QVERIFY2(b.linkUp(), qPrintable(b.rows()));

        // Each gap outlasts one watchdog period (the port is closed and
        // reopened) but never two (the detector would be lost).
        b.command(u"every 3000"_s);
        SilenceWatch silence(b.form->exchange());
        int notAlive = 0;
        QObject::connect(&silence.timer, &QTimer::timeout,
                         [&] { notAlive += b.text("Label6") != kLinkAlive; });
        // Its readings are greyed between two replies and shown again at each.
        int stale = 0, fresh = 0;
        QObject::connect(&b.form->exchange(), &Exchange::readingsStale, [&] { ++stale; });
        QObject::connect(&b.form->exchange(), &Exchange::readingsFresh, [&] { ++fresh; });
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
};

QTEST_MAIN(E2eLinkTest)
#include "test_e2e_link.moc"
