#include "app/colors.h"
#include "app/sharedstate.h"
#include "diagram/chartcanvas.h"
#include "diagram/diagramstep.h"
#include "support/replies.h"

#include <QLocale>
#include <QtTest>

namespace {
const QRgb kWhite = 0xFFFFFF, kBlack = 0, kBlue = 0x0000FF, kRed = 0xFF0000;

// Records every line as {x1, y1, x2, y2, colour}; full-width trace-pen lines are thresholds.
struct RecordingCanvas : ChartCanvas {
    QList<QList<qint64>> lines, thresholds;
    void drawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen) override
    {
        lines.append({x1, y1, x2, y2, colour});
        if (pen == Pen::Trace && x1 == 0 && x2 == kChartSweepEnd)
            thresholds.append({y1, y2, colour});
        ChartCanvas::drawLine(x1, y1, x2, y2, colour, pen);
    }
};
}  // namespace

class TestDiagram : public QObject {
    Q_OBJECT
    SharedState s;
    static QRgb pix(const ChartCanvas &c, int x, int y) { return c.image().pixel(x, y) & 0xFFFFFF; }
    static int px(int twips) { return ChartCanvas::toPixels(twips, 0).x(); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init()
    {
        s = SharedState();
        s.cntProh = 8;
        s.Kvgraf = 1000;
        s.Ksgraf = 120;
    }

    void startsPlainWhite()
    {
        ChartCanvas c;
        QImage white(QSize(649, 345), QImage::Format_RGB32);
        white.fill(Qt::white);
        QCOMPARE(c.image().convertToFormat(QImage::Format_RGB32), white);
    }

    void sampleHeight()
    {
        for (const auto &[kvgraf, quarters, y] : QList<std::array<int, 3>>{
                 {1000, 204, 4100}, {2000, 204, 3100}, {1000, 1, 5095}, {1000, 1020, 100}}) {
            init();
            s.Kvgraf = qint16(kvgraf);
            ChartCanvas c;
            const int threshold = y >= 5000 ? 816 : 2;  // keep the threshold off the trace
            diagramStep(s, statusBody(quarters, threshold), c);
            diagramStep(s, statusBody(quarters, threshold), c);
            QCOMPARE(s.Y2, qint16(y));
            QCOMPARE(pix(c, px(180), px(y) + 1), kBlue);
            QVERIFY(pix(c, 12, px(y) + 3) != kBlue);
        }
    }

    void wrapStartsNextSegmentAtZero()
    {
        s.X1 = 9720;
        s.Y1 = 4100;
        RecordingCanvas c;
        diagramStep(s, statusBody(204, 0), c);
        QCOMPARE(s.X1, qint16(0));
        QCOMPARE(c.lines.first(), QList<qint64>({9720, 4100, 9840, 4100, bgr::Blue}));
        c.lines.clear();
        diagramStep(s, statusBody(408, 0), c);
        QCOMPARE(c.lines.first(), QList<qint64>({0, 4100, 120, 3100, bgr::Blue}));
        QCOMPARE(pix(c, 0, px(4100) - 1), kBlue);
    }

    void thresholdErasedOnlyWhenMoved()
    {
        RecordingCanvas c;
        diagramStep(s, statusBody(0, 204), c);
        c.thresholds.clear();
        diagramStep(s, statusBody(0, 204), c);
        QCOMPARE(c.thresholds, QList<QList<qint64>>({{4100, 4100, bgr::Red}}));
        c.thresholds.clear();
        s.Kvgraf = 2000;  // same value, other scale: moves to 3100
        diagramStep(s, statusBody(0, 204), c);
        QCOMPARE(c.thresholds,
                 QList<QList<qint64>>({{4100, 4100, bgr::White}, {3100, 3100, bgr::Red}}));
        QCOMPARE(s.TY1, qint16(3100));
        for (int y = px(4100) - 2; y <= px(4100) + 2; ++y)
            for (int x = 0; x < 649; ++x)
                QVERIFY2(pix(c, x, y) != kRed, qPrintable(QString("%1,%2").arg(x).arg(y)));
        QCOMPARE(pix(c, 300, px(3100)), kRed);
        // Grid dots: three black pixels of six along a row, the top of a column.
        QCOMPARE(QList<QRgb>({pix(c, 42, px(2100)), pix(c, 45, px(2100)), pix(c, px(500), 0)}),
                 QList<QRgb>({kBlack, kWhite, kBlack}));
    }

    void wildSampleClamped()
    {
        s.Kvgraf = 2000;
        ChartCanvas c;
        diagramStep(s, statusBody(0xFFFF, 0xFFFF), c);
        QCOMPARE(QList<int>({s.Y2, s.TY1}), QList<int>({0, 0}));
        diagramStep(s, statusBody(0xFFFF, 0), c);
        diagramStep(s, statusBody(0xFFFF, 0), c);
        QCOMPARE(pix(c, px(300), 1), kBlue);
        QCOMPARE(pix(c, px(300), 3), kWhite);
        QCOMPARE(ChartCanvas::toPixels(-40000, 100000), QPoint(0, 345));
        QCOMPARE(ChartCanvas::toPixels(11000, -5), QPoint(649, 0));
    }

    void levelReadouts()
    {
        const QList<QPair<int, QString>> rows = {
            {0, "0 В"}, {51, "1 В"}, {1, "0,02 В"}, {26, "0,51 В"}, {100, "1,96 В"}};
        for (const auto &[level, text] : rows) {
            init();
            ChartCanvas c;
            const DiagramUpdate a = diagramStep(s, statusBody(0, 0, 0, level, 0), c);
            const DiagramUpdate b = diagramStep(s, statusBody(0, 0, 0, 0, level), c);
            QCOMPARE(QStringList({a.text2, a.text11, b.text2, b.text11}),
                     QStringList({text, "0 В", "0 В", text}));
        }
    }
};

QTEST_MAIN(TestDiagram)
#include "test_diagram.moc"
