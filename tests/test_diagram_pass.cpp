#include "app/colors.h"
#include "app/sharedstate.h"
#include "diagram/chartcanvas.h"
#include "diagram/controlpass.h"
#include "diagram/diagramstep.h"
#include "link/codec.h"
#include "support/replies.h"

#include <QLocale>
#include <QtTest>

namespace {

SharedState startupState()
{
    SharedState s;
    s.cntProh = 8;
    s.Kvgraf = kKvgraf1VPerDiv;
    s.Ksgraf = kKsgrafHalfSecPerDiv;
    return s;
}

const QString kMeasuring = QStringLiteral("Измерение");

}  // namespace

class TestDiagramPass : public QObject {
    Q_OBJECT

    ChartCanvas canvas;

    // One status reply with the given signal (in quarter counts) and a
    // threshold of zero.
    DiagramUpdate sample(SharedState &s, int signalQuarters, int thresholdQuarters = 0)
    {
        return diagramStep(s, statusBody(signalQuarters, thresholdQuarters), canvas);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void idleStepLeavesPassAlone();
    void blockArithmetic_data();
    void blockArithmetic();
    void captionBlinksOncePerBlock();
    void meanAtEnd_data();
    void meanAtEnd();
    void stopBeforeFirstBlockLeavesMeanEmpty();
    void passEndsByItselfAfter353Blocks();
    void secondPassContinuesBlockInProgressOnly();
    void startButton_data();
    void startButton();
    void startWhileStoppingStillEndsPass();
    void startAfterCutOffPassBeginsAfresh();
    void stopButton();
    void usefulSignal_data();
    void usefulSignal();
    void integerStoreRoundsHalfToEvenAndSaturates_data();
    void integerStoreRoundsHalfToEvenAndSaturates();
};

void TestDiagramPass::idleStepLeavesPassAlone()
{
    SharedState s = startupState();
    s.cntProh = 5;
    s.SumTekSign = 77;
    s.SignUsr = 12;
    s.SumSrZn = 300;
    s.cntSr = 3;
    s.FlStopIzmer = 1;  // left over, but no pass runs
    const DiagramUpdate u = sample(s, 200 * 4);
    QVERIFY(!u.passRan);
    QVERIFY(!u.passEnded);
    QVERIFY(!u.label30.has_value());
    QVERIFY(!u.text3.has_value());
    QCOMPARE(s.cntProh, qint16(5));
    QCOMPARE(s.SumTekSign, qint16(77));
    QCOMPARE(s.SignUsr, qint16(12));
    QCOMPARE(s.SumSrZn, 300);
    QCOMPARE(s.cntSr, qint16(3));
    QCOMPARE(s.FlStopIzmer, qint16(1));
}

void TestDiagramPass::blockArithmetic_data()
{
    QTest::addColumn<QList<int>>("quarters");  // the eight summed samples
    QTest::addColumn<int>("expectedSum");      // SumTekSign after them
    QTest::addColumn<int>("expectedBlock");    // block average B
    QTest::newRow("eight volts") << QList<int>(8, 204) << 408 << 51;
    // Every partial sum is stored as an integer, halves to even:
    // 0.5 -> 0 each time; 1.5, 3.5, 5.5, ... climb by 2.
    QTest::newRow("half counts vanish") << QList<int>(8, 2) << 0 << 0;
    QTest::newRow("one and a half") << QList<int>(8, 6) << 16 << 2;
    QTest::newRow("two and a half") << QList<int>(8, 10) << 16 << 2;
    QTest::newRow("quarters round down and up") << QList<int>{1, 3, 1, 3, 1, 3, 1, 3} << 4 << 0;
    // Block averages 2.5 and 3.5 round to even.
    QTest::newRow("average 2.5") << QList<int>{8, 8, 8, 8, 8, 8, 8, 24} << 20 << 2;
    QTest::newRow("average 3.5") << QList<int>{12, 12, 12, 12, 12, 12, 12, 28} << 28 << 4;
    QTest::newRow("full scale") << QList<int>(8, 1023) << 2048 << 256;
}

void TestDiagramPass::blockArithmetic()
{
    QFETCH(QList<int>, quarters);
    QFETCH(int, expectedSum);
    QFETCH(int, expectedBlock);

    SharedState s = startupState();
    startControlPass(s);
    for (int i = 0; i < quarters.size(); ++i) {
        sample(s, quarters[i]);
        QCOMPARE(s.cntProh, qint16(7 - i));
        QCOMPARE(s.cntSr, qint16(0));
    }
    QCOMPARE(s.SumTekSign, qint16(expectedSum));
    // The ninth sample closes the block and is not added to anything.
    sample(s, 1000);
    QCOMPARE(s.cntProh, qint16(8));
    QCOMPARE(s.SumTekSign, qint16(0));
    QCOMPARE(s.cntSr, qint16(1));
    QCOMPARE(s.SumSrZn, expectedBlock);
    // The next block starts with the tenth sample.
    sample(s, 204);
    QCOMPARE(s.SumTekSign, qint16(51));
    QCOMPARE(s.cntProh, qint16(7));
    QCOMPARE(s.SumSrZn, expectedBlock);
}

void TestDiagramPass::captionBlinksOncePerBlock()
{
    SharedState s = startupState();
    startControlPass(s);
    QStringList captions;
    for (int i = 0; i < 18; ++i) {
        const DiagramUpdate u = sample(s, 204);
        QVERIFY(u.passRan);
        captions << (u.label30 ? (u.label30->isEmpty() ? "empty" : *u.label30) : "-");
    }
    const QStringList block = {kMeasuring, "-", "-", "-", "empty", "-", "-", "-", "-"};
    QCOMPARE(captions, block + block);
}

void TestDiagramPass::meanAtEnd_data()
{
    QTest::addColumn<int>("sumSrZn");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one volt") << 102 << 2 << "1 В";
    QTest::newRow("two decimals") << 103 << 2 << "1,01 В";
    QTest::newRow("one decimal") << 153 << 2 << "1,5 В";
    // 0.125 V and 0.375 V: exact halves at the second decimal go to even.
    QTest::newRow("0.125 rounds down") << 51 << 8 << "0,12 В";
    QTest::newRow("0.375 rounds up") << 153 << 8 << "0,38 В";
    QTest::newRow("beyond 16 bits") << 352 * 256 << 352 << "5,02 В";
    QTest::newRow("zero") << 0 << 3 << "0 В";
}

void TestDiagramPass::meanAtEnd()
{
    QFETCH(int, sumSrZn);
    QFETCH(int, blocks);
    QFETCH(QString, expected);

    SharedState s = startupState();
    s.FlStartIzmer = 1;
    s.SumSrZn = sumSrZn;
    s.cntSr = qint16(blocks);
    s.cntProh = 3;  // mid-block: the ending sample completes nothing
    s.SumTekSign = 100;
    stopControlPass(s);
    const DiagramUpdate u = sample(s, 204);
    QVERIFY(u.passEnded);
    QVERIFY(u.text3.has_value());
    QCOMPARE(*u.text3, expected);
    QCOMPARE(u.label30.value_or("-"), kMeasuring);
    QCOMPARE(s.SumSrZn, 0);
    QCOMPARE(s.cntSr, qint16(0));
    QCOMPARE(s.FlStartIzmer, qint16(0));
    QCOMPARE(s.FlStopIzmer, qint16(0));
    // The block in progress is kept, including the ending sample.
    QCOMPARE(s.cntProh, qint16(2));
    QCOMPARE(s.SumTekSign, qint16(151));
    // The next reply finds the pass idle.
    QVERIFY(!sample(s, 204).passRan);
}

void TestDiagramPass::stopBeforeFirstBlockLeavesMeanEmpty()
{
    SharedState s = startupState();
    startControlPass(s);
    for (int i = 0; i < 3; ++i)
        sample(s, 204);
    stopControlPass(s);
    const DiagramUpdate u = sample(s, 204);
    QVERIFY(u.passEnded);
    QVERIFY(u.text3.has_value());
    QCOMPARE(*u.text3, QString());
    // The useful signal is still shown on the ending sample: SignUsr has
    // gone 26, 38, 44, so (44 + 51) / 102 V.
    QVERIFY(u.passRan);
    QCOMPARE(u.text12, QStringLiteral("0,93 В"));
    QCOMPARE(s.FlStartIzmer, qint16(0));
}

void TestDiagramPass::passEndsByItselfAfter353Blocks()
{
    SharedState s = startupState();
    startControlPass(s);
    // Full-scale samples: every block averages 256 counts, so the sum of
    // the pass passes 32767 after 128 blocks.
    const int samples = 353 * 9;
    for (int i = 1; i < samples; ++i) {
        const DiagramUpdate u = sample(s, 1023);
        if (u.passEnded || u.text3)
            QFAIL(qPrintable(QStringLiteral("pass ended early at sample %1").arg(i)));
    }
    QCOMPARE(s.cntSr, qint16(352));
    QCOMPARE(s.SumSrZn, 352 * 256);
    QCOMPARE(s.FlStartIzmer, qint16(1));
    const DiagramUpdate last = sample(s, 1023);
    QVERIFY(last.passEnded);
    QCOMPARE(last.text3.value_or("-"), QStringLiteral("5,02 В"));  // 256 / 51 V
    QCOMPARE(s.cntSr, qint16(0));
    QCOMPARE(s.SumSrZn, 0);
    QCOMPARE(s.FlStartIzmer, qint16(0));
    QCOMPARE(s.cntProh, qint16(8));
}

void TestDiagramPass::secondPassContinuesBlockInProgressOnly()
{
    SharedState s = startupState();
    // First pass: one block of 51, then four more samples of 51 counts,
    // the last of them ending the pass.
    startControlPass(s);
    for (int i = 0; i < 9 + 3; ++i)
        sample(s, 204);
    stopControlPass(s);
    QCOMPARE(sample(s, 204).text3.value_or("-"), QStringLiteral("1 В"));
    QCOMPARE(s.cntProh, qint16(4));
    QCOMPARE(s.SumTekSign, qint16(204));
    // Replies between passes change nothing of the block.
    sample(s, 1000);
    QCOMPARE(s.cntProh, qint16(4));

    // Second pass: four zero samples finish the block carried over, the
    // fifth closes it: 204 / 8 = 25.5 -> 26. The first pass's block of 51
    // is not part of this pass.
    const PassButtonsUpdate start = startControlPass(s);
    QVERIFY(start.clearText3);
    for (int i = 0; i < 5; ++i)
        sample(s, 0);
    QCOMPARE(s.cntSr, qint16(1));
    QCOMPARE(s.SumSrZn, 26);
    stopControlPass(s);
    QCOMPARE(sample(s, 0).text3.value_or("-"), QStringLiteral("0,51 В"));
}

void TestDiagramPass::startButton_data()
{
    // State before the click: FlStartIzmer, FlStopIzmer, cntSr, SumSrZn.
    QTest::addColumn<int>("flStart");
    QTest::addColumn<int>("flStop");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("sum");
    QTest::addColumn<bool>("keepsPass");
    QTest::newRow("idle") << 0 << 0 << 0 << 0 << false;
    QTest::newRow("idle, blocks left by a cut-off pass") << 0 << 0 << 5 << 255 << false;
    QTest::newRow("idle, stop left by a cut-off pass") << 0 << 1 << 5 << 255 << false;
    QTest::newRow("running") << 1 << 0 << 5 << 255 << true;
    QTest::newRow("stopping") << 1 << 1 << 5 << 255 << true;
}

void TestDiagramPass::startButton()
{
    QFETCH(int, flStart);
    QFETCH(int, flStop);
    QFETCH(int, blocks);
    QFETCH(int, sum);
    QFETCH(bool, keepsPass);

    SharedState s = startupState();
    s.FlStartIzmer = qint16(flStart);
    s.FlStopIzmer = qint16(flStop);
    s.cntSr = qint16(blocks);
    s.SumSrZn = sum;
    s.cntProh = 3;
    s.SumTekSign = 99;
    s.SignUsr = 40;

    const PassButtonsUpdate u = startControlPass(s);
    QCOMPARE(u.command9Enabled, false);
    QCOMPARE(u.command8Enabled, true);
    QCOMPARE(u.clearText3, true);
    QCOMPARE(s.FlStartIzmer, qint16(1));
    QCOMPARE(s.FlStopIzmer, qint16(keepsPass ? flStop : 0));
    QCOMPARE(s.cntSr, qint16(keepsPass ? blocks : 0));
    QCOMPARE(s.SumSrZn, keepsPass ? sum : 0);
    // Never reset: the block in progress and the smoothed signal.
    QCOMPARE(s.cntProh, qint16(3));
    QCOMPARE(s.SumTekSign, qint16(99));
    QCOMPARE(s.SignUsr, qint16(40));
}

void TestDiagramPass::startWhileStoppingStillEndsPass()
{
    SharedState s = startupState();
    startControlPass(s);
    for (int i = 0; i < 9; ++i)
        sample(s, 102 * 4);  // one block of 102 counts
    stopControlPass(s);
    startControlPass(s);
    const DiagramUpdate u = sample(s, 102 * 4);
    QVERIFY(u.passEnded);
    QCOMPARE(u.text3.value_or("-"), QStringLiteral("2 В"));
    QCOMPARE(s.FlStartIzmer, qint16(0));
}

void TestDiagramPass::startAfterCutOffPassBeginsAfresh()
{
    SharedState s = startupState();
    startControlPass(s);
    for (int i = 0; i < 9; ++i)
        sample(s, 204);
    stopControlPass(s);
    // The exchange is stopped and started again before the next reply:
    // "СТАРТ" clears only FlStartIzmer.
    s.FlStartIzmer = 0;
    startControlPass(s);
    // The new pass runs on instead of ending at once with the old block.
    const DiagramUpdate u = sample(s, 204);
    QVERIFY(u.passRan);
    QVERIFY(!u.passEnded);
    QCOMPARE(s.FlStartIzmer, qint16(1));
    QCOMPARE(s.cntSr, qint16(0));
}

void TestDiagramPass::stopButton()
{
    SharedState s = startupState();
    startControlPass(s);
    const PassButtonsUpdate u = stopControlPass(s);
    QCOMPARE(u.command9Enabled, true);
    QCOMPARE(u.command8Enabled, false);
    QCOMPARE(u.clearText3, false);
    QCOMPARE(s.FlStopIzmer, qint16(1));
    QCOMPARE(s.FlStartIzmer, qint16(1));
}

void TestDiagramPass::usefulSignal_data()
{
    QTest::addColumn<int>("signUsr");
    QTest::addColumn<int>("signalQuarters");
    QTest::addColumn<int>("thresholdQuarters");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("colour");
    QTest::addColumn<int>("newSignUsr");
    // M = (SignUsr + S) / 102 V against T / 51 V.
    QTest::newRow("at threshold is red") << 51 << 204 << 204 << "1 В" << bgr::Red << 51;
    QTest::newRow("just below is black") << 51 << 204 << 205 << "1 В" << bgr::Black << 51;
    QTest::newRow("above is red") << 100 << 400 << 204 << "1,96 В" << bgr::Red << 100;
    QTest::newRow("zero threshold, zero signal") << 0 << 0 << 0 << "0 В" << bgr::Red << 0;
    // 12.75 counts / 102 = 0.125 V, 38.25 / 102 = 0.375 V: halves to even.
    QTest::newRow("0.125 V") << 0 << 51 << 1020 << "0,12 В" << bgr::Black << 6;
    QTest::newRow("0.375 V") << 0 << 153 << 1020 << "0,38 В" << bgr::Black << 19;
    // (51 + 52) / 2 = 51.5 -> 52; (51 + 50) / 2 = 50.5 -> 50.
    QTest::newRow("smoothing 51.5") << 51 << 208 << 0 << "1,01 В" << bgr::Red << 52;
    QTest::newRow("smoothing 50.5") << 51 << 200 << 0 << "0,99 В" << bgr::Red << 50;
}

void TestDiagramPass::usefulSignal()
{
    QFETCH(int, signUsr);
    QFETCH(int, signalQuarters);
    QFETCH(int, thresholdQuarters);
    QFETCH(QString, text);
    QFETCH(quint32, colour);
    QFETCH(int, newSignUsr);

    SharedState s = startupState();
    startControlPass(s);
    s.SignUsr = qint16(signUsr);
    const DiagramUpdate u = sample(s, signalQuarters, thresholdQuarters);
    QVERIFY(u.passRan);
    QCOMPARE(u.text12, text);
    QCOMPARE(u.text12ColorBgr, colour);
    QCOMPARE(s.SignUsr, qint16(newSignUsr));
}

void TestDiagramPass::integerStoreRoundsHalfToEvenAndSaturates_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("2.75") << 2.75 << 3;
    QTest::newRow("above range") << 131070.0 << 32767;
    QTest::newRow("below range") << -40000.0 << -32768;
}

void TestDiagramPass::integerStoreRoundsHalfToEvenAndSaturates()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(int(toInteger16(value)), expected);
}

QTEST_MAIN(TestDiagramPass)
#include "test_diagram_pass.moc"
