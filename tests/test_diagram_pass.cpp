#include "app/colors.h"
#include "app/sharedstate.h"
#include "diagram/chartcanvas.h"
#include "diagram/controlpass.h"
#include "diagram/diagramstep.h"
#include "support/replies.h"

#include <QLocale>
#include <QtTest>

class TestDiagramPass : public QObject {
    Q_OBJECT
    ChartCanvas canvas;
    SharedState s;
    // `times` status replies; signal and threshold in quarter counts.
    DiagramUpdate sample(int quarters, int threshold = 0, int times = 1, DiagramUpdate u = {})
    {
        while (times-- > 0)
            u = diagramStep(s, statusBody(quarters, threshold), canvas);
        return u;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init()
    {
        s = SharedState();
        s.cntProh = 8;
        s.Kvgraf = 1000;
        s.Ksgraf = 120;
    }

    void blockArithmetic()
    {
        // eight summed samples, their sum, the block average (halves to even)
        for (const auto &[quarters, sum, block] : QList<std::tuple<QList<int>, int, int>>{
                 {QList<int>(8, 204), 408, 51},
                 {QList<int>(8, 2), 0, 0},  // half counts vanish
                 {QList<int>(8, 6), 16, 2},
                 {{8, 8, 8, 8, 8, 8, 8, 24}, 20, 2},
                 {{12, 12, 12, 12, 12, 12, 12, 28}, 28, 4}}) {
            init();
            startControlPass(s);
            for (int i = 0; i < 8; ++i)
                sample(quarters[i]);
            QCOMPARE(QList<int>({s.cntProh, s.SumTekSign, s.cntSr}), QList<int>({0, sum, 0}));
            sample(1000);  // the ninth closes the block and is not summed
            QCOMPARE(QList<int>({s.cntProh, s.SumTekSign, s.cntSr, s.SumSrZn}),
                     QList<int>({8, 0, 1, block}));
            sample(204);
            QCOMPARE(QList<int>({s.cntProh, s.SumTekSign, s.SumSrZn}), QList<int>({7, 51, block}));
        }
    }

    void meanAfterStop()
    {
        // sum of block averages, blocks, read-out (halves to even)
        for (const auto &[sumSrZn, blocks, text] : QList<std::tuple<int, int, QString>>{
                 {103, 2, "1,01 В"}, {51, 8, "0,12 В"}, {153, 8, "0,38 В"}, {0, 0, ""}}) {
            init();
            startControlPass(s);
            s.SumSrZn = sumSrZn;
            s.cntSr = qint16(blocks);
            s.cntProh = 3;  // mid-block: the ending sample completes nothing
            s.SumTekSign = 100;
            stopControlPass(s);
            const DiagramUpdate u = sample(204);
            QVERIFY(u.passEnded);
            QCOMPARE(u.text3, std::optional<QString>(text));
            QCOMPARE(QList<int>({s.SumSrZn, s.cntSr, s.FlStartIzmer, s.FlStopIzmer}),
                     QList<int>({0, 0, 0, 0}));
            QCOMPARE(QList<int>({s.cntProh, s.SumTekSign}), QList<int>({2, 151}));  // block kept
            QVERIFY(!sample(204).passRan);
        }
    }

    void fullScalePassEndsByItselfAfter353Blocks()
    {
        startControlPass(s);
        for (int i = 1; i < 353 * 9; ++i)
            if (sample(1023).passEnded)
                QFAIL(qPrintable(QString("ended at %1").arg(i)));
        QCOMPARE(QList<int>({s.cntSr, s.SumSrZn, s.FlStartIzmer}), QList<int>({352, 352 * 256, 1}));
        const DiagramUpdate last = sample(1023);
        QVERIFY(last.passEnded);
        QCOMPARE(last.text3, std::optional<QString>("5,02 В"));  // past 16 bits, no overflow
        QCOMPARE(QList<int>({s.cntSr, s.SumSrZn, s.FlStartIzmer}), QList<int>({0, 0, 0}));
    }

    void secondPassContinuesBlockInProgressOnly()
    {
        startControlPass(s);
        sample(204, 0, 12);  // one block of 51 counts and three samples more
        stopControlPass(s);
        QCOMPARE(sample(204).text3, std::optional<QString>("1 В"));
        sample(1000);  // between passes: the block is left alone
        QCOMPARE(QList<int>({s.cntProh, s.SumTekSign}), QList<int>({4, 204}));
        QVERIFY(startControlPass(s).clearText3);
        sample(0, 0, 5);  // 204 / 8 = 25.5 -> 26; the first pass's block is not counted
        QCOMPARE(QList<int>({s.cntSr, s.SumSrZn}), QList<int>({1, 26}));
        stopControlPass(s);
        QCOMPARE(sample(0).text3, std::optional<QString>("0,51 В"));
    }

    void startWhileStoppingStillEndsPass()
    {
        startControlPass(s);
        sample(408, 0, 9);
        stopControlPass(s);
        startControlPass(s);
        const DiagramUpdate u = sample(408);
        QVERIFY(u.passEnded);
        QCOMPARE(u.text3, std::optional<QString>("2 В"));
        QCOMPARE(s.FlStartIzmer, qint16(0));
    }

    void usefulSignalColour()
    {
        struct Row {
            int signUsr, quarters, threshold;
            QString text;
            quint32 colour;
        };
        for (const Row &r : {Row{51, 204, 204, "1 В", bgr::Red},    // at threshold
                             Row{51, 204, 205, "1 В", bgr::Black},  // just below
                             Row{100, 400, 204, "1,96 В", bgr::Red},
                             Row{0, 51, 1020, "0,12 В", bgr::Black}}) {  // 0.125 V to even
            init();
            startControlPass(s);
            s.SignUsr = qint16(r.signUsr);
            const DiagramUpdate u = sample(r.quarters, r.threshold);
            QVERIFY(u.passRan);
            QCOMPARE(u.text12, r.text);
            QCOMPARE(u.text12ColorBgr, r.colour);
        }
    }
};

QTEST_MAIN(TestDiagramPass)
#include "test_diagram_pass.moc"
