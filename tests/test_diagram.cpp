#include "app/colors.h"
#include "app/sharedstate.h"
#include "diagram/chartcanvas.h"
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

QRgb pixelAt(const ChartCanvas &canvas, int x, int y)
{
    return canvas.image().pixel(x, y) & 0xFFFFFF;
}

const QRgb kWhite = 0xFFFFFF;
const QRgb kBlack = 0x000000;
const QRgb kBlue = 0x0000FF;  // QRgb is 0xRRGGBB
const QRgb kRed = 0xFF0000;

int px(int twips)
{
    return ChartCanvas::toPixels(twips, 0).x();
}

// Records every line drawn, then draws it.
class RecordingCanvas : public ChartCanvas {
public:
    struct Line {
        int x1, y1, x2, y2;
        quint32 colour;
        Pen pen;
    };
    QList<Line> lines;

    void drawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen) override
    {
        lines.append({x1, y1, x2, y2, colour, pen});
        ChartCanvas::drawLine(x1, y1, x2, y2, colour, pen);
    }

    // Full-width lines drawn with the trace pen: the threshold strokes.
    QList<Line> thresholdStrokes() const
    {
        QList<Line> out;
        for (const Line &l : lines)
            if (l.pen == Pen::Trace && l.x1 == 0 && l.x2 == kChartSweepEnd)
                out.append(l);
        return out;
    }
};

}  // namespace

class TestDiagram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void surfaceStartsPlainWhite();
    void sampleHeight_data();
    void sampleHeight();
    void penAdvanceAndWrap_data();
    void penAdvanceAndWrap();
    void segmentAfterWrapStartsAtLeftEdge();
    void bandAheadOfPenIsWiped();
    void gridIsDottedAtItsPlaces();
    void thresholdErasedOnlyWhenMoved_data();
    void thresholdErasedOnlyWhenMoved();
    void movedThresholdLeavesNoRedBehind();
    void levelReadouts_data();
    void levelReadouts();
    void wildSamplesStayOnTheSurface();
};

void TestDiagram::surfaceStartsPlainWhite()
{
    ChartCanvas canvas;
    const QImage &img = canvas.image();
    QCOMPARE(img.size(), QSize(649, 345));
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (pixelAt(canvas, x, y) != kWhite)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is not white").arg(x).arg(y)));
}

void TestDiagram::sampleHeight_data()
{
    QTest::addColumn<int>("kvgraf");
    QTest::addColumn<int>("signalQuarters");
    QTest::addColumn<int>("expectedY");
    QTest::newRow("1 V at 1 V/div") << 1000 << 51 * 4 << 4100;
    QTest::newRow("1 V at 0.5 V/div") << 2000 << 51 * 4 << 3100;
    QTest::newRow("zero") << 1000 << 0 << 5100;
    QTest::newRow("full scale") << 1000 << 255 * 4 << 100;
    QTest::newRow("half a volt") << 1000 << 102 << 4600;
    // A quarter count is 4.9 twips: the fraction of the sample is kept.
    QTest::newRow("quarter count") << 1000 << 1 << 5095;
    // 115 counts, 64 of them from the high byte: 2254.9 twips.
    QTest::newRow("high byte used") << 1000 << 0x1CC << 2845;
}

void TestDiagram::sampleHeight()
{
    QFETCH(int, kvgraf);
    QFETCH(int, signalQuarters);
    QFETCH(int, expectedY);

    SharedState s = startupState();
    s.Kvgraf = qint16(kvgraf);
    ChartCanvas canvas;
    // The threshold line kept clear of the trace: at 0.5 counts (y = 5090
    // or 5080) unless the trace is there, then at 4 V.
    const int threshold = expectedY >= 5000 ? 4 * 204 : 2;
    diagramStep(s, statusBody(signalQuarters, threshold), canvas);
    QCOMPARE(s.Y2, qint16(expectedY));
    QCOMPARE(s.Y1, qint16(expectedY));
    // A second equal sample draws a flat segment from x = 120 to 240, of
    // which the part left of the wiped band (from 240) stays. The row above
    // and below the centre belong to the 3-pixel pen and never to the grid.
    diagramStep(s, statusBody(signalQuarters, threshold), canvas);
    const int row = ChartCanvas::toPixels(0, expectedY).y();
    for (int x = px(120) + 1; x < px(240); ++x) {
        QCOMPARE(pixelAt(canvas, x, row - 1), kBlue);
        QCOMPARE(pixelAt(canvas, x, row + 1), kBlue);
    }
    QVERIFY(pixelAt(canvas, 12, row - 3) != kBlue);
    QVERIFY(pixelAt(canvas, 12, row + 3) != kBlue);
}

void TestDiagram::penAdvanceAndWrap_data()
{
    QTest::addColumn<int>("x1");
    QTest::addColumn<int>("ksgraf");
    QTest::addColumn<int>("expectedX1");
    QTest::newRow("9720 + 120 wraps") << 9720 << 120 << 0;
    QTest::newRow("9600 + 120") << 9600 << 120 << 9720;
    QTest::newRow("9630 + 120 lands on the edge") << 9630 << 120 << 9750;
    QTest::newRow("9690 + 60 lands on the edge") << 9690 << 60 << 9750;
    QTest::newRow("9750 + 60 wraps") << 9750 << 60 << 0;
    QTest::newRow("0 + 60") << 0 << 60 << 60;
}

void TestDiagram::penAdvanceAndWrap()
{
    QFETCH(int, x1);
    QFETCH(int, ksgraf);
    QFETCH(int, expectedX1);
    SharedState s = startupState();
    s.X1 = qint16(x1);
    s.Ksgraf = qint16(ksgraf);
    ChartCanvas canvas;
    diagramStep(s, statusBody(51 * 4, 0), canvas);
    QCOMPARE(s.X1, qint16(expectedX1));
    QCOMPARE(s.Y1, qint16(4100));
}

void TestDiagram::segmentAfterWrapStartsAtLeftEdge()
{
    SharedState s = startupState();
    s.X1 = 9720;
    s.Y1 = 4100;
    RecordingCanvas canvas;
    diagramStep(s, statusBody(51 * 4, 0), canvas);  // 9720 -> 9840, wraps
    QCOMPARE(canvas.lines.first().x1, 9720);
    QCOMPARE(canvas.lines.first().x2, 9840);
    canvas.lines.clear();
    diagramStep(s, statusBody(102 * 4, 0), canvas);  // 2 V at y = 3100
    const RecordingCanvas::Line segment = canvas.lines.first();
    QCOMPARE(segment.colour, bgr::Blue);
    QCOMPARE(segment.x1, 0);
    QCOMPARE(segment.y1, 4100);
    QCOMPARE(segment.x2, 120);
    QCOMPARE(segment.y2, 3100);
    // The segment near the left edge is on the picture (beside the grid row).
    QCOMPARE(pixelAt(canvas, 0, px(4100) - 1), kBlue);
}

void TestDiagram::bandAheadOfPenIsWiped()
{
    SharedState s = startupState();
    ChartCanvas canvas;
    // Fill the chart with a blue trace across its full width at 2 V.
    for (int i = 0; i < 83; ++i)
        diagramStep(s, statusBody(102 * 4, 0), canvas);
    QCOMPARE(s.X1, qint16(120));  // 81 steps reach 9720, the 82nd wraps to 0
    // Wiped band: x = 120..420 twips (px 8..28), no trace left in it.
    const int row = px(3100) + 1;
    for (int x = px(120); x <= px(420); ++x)
        QVERIFY2(pixelAt(canvas, x, row) != kBlue, qPrintable(QString::number(x)));
    // Beyond the band the trace of the previous sweep is still there.
    QCOMPARE(pixelAt(canvas, px(420) + 2, row), kBlue);
    QCOMPARE(pixelAt(canvas, px(5000), row), kBlue);
}

void TestDiagram::gridIsDottedAtItsPlaces()
{
    SharedState s = startupState();
    ChartCanvas canvas;
    // Trace and threshold both on the baseline, out of the way of the rows
    // and columns examined. The first sample wipes the initial threshold
    // line at y = 0 after the grid; the second restores the grid there.
    diagramStep(s, statusBody(0, 0), canvas);
    diagramStep(s, statusBody(0, 0), canvas);
    // Horizontal lines start with a dot of three pixels at the left edge...
    for (int y : {100, 1100, 2100, 3100, 4100}) {
        const int row = ChartCanvas::toPixels(0, y).y();
        QCOMPARE(pixelAt(canvas, 42, row), kBlack);  // dots at x mod 6 = 0..2
        QCOMPARE(pixelAt(canvas, 44, row), kBlack);
        QCOMPARE(pixelAt(canvas, 45, row), kWhite);
        QCOMPARE(pixelAt(canvas, 47, row), kWhite);
        QCOMPARE(pixelAt(canvas, 48, row), kBlack);
        QCOMPARE(pixelAt(canvas, 42, row + 1), kWhite);
        QCOMPARE(pixelAt(canvas, 42, row - 1), kWhite);
    }
    // ...and vertical lines at their top.
    for (int x = 500; x <= 9500; x += 1000) {
        const int col = px(x);
        QCOMPARE(pixelAt(canvas, col, 0), kBlack);
        QCOMPARE(pixelAt(canvas, col, 2), kBlack);
        QCOMPARE(pixelAt(canvas, col, 3), kWhite);
        QCOMPARE(pixelAt(canvas, col, 6), kBlack);
        QCOMPARE(pixelAt(canvas, col + 1, 0), kWhite);
    }
    // The line at x = 9750 lies on the surface's right edge, past the last
    // column; nothing else black stands in the last columns.
    QCOMPARE(pixelAt(canvas, 648, 0), kWhite);
}

void TestDiagram::thresholdErasedOnlyWhenMoved_data()
{
    QTest::addColumn<int>("firstQuarters");
    QTest::addColumn<int>("secondQuarters");
    QTest::addColumn<int>("secondKvgraf");
    QTest::addColumn<int>("erasedY");  // -1: nothing erased
    QTest::addColumn<int>("redY");
    QTest::newRow("unchanged") << 51 * 4 << 51 * 4 << 1000 << -1 << 4100;
    QTest::newRow("raised") << 51 * 4 << 102 * 4 << 1000 << 4100 << 3100;
    QTest::newRow("same value, other scale") << 51 * 4 << 51 * 4 << 2000 << 4100 << 3100;
    // A quarter count less is 4.9 twips lower.
    QTest::newRow("a quarter count lower") << 51 * 4 << 51 * 4 - 1 << 1000 << 4100 << 4105;
}

void TestDiagram::thresholdErasedOnlyWhenMoved()
{
    QFETCH(int, firstQuarters);
    QFETCH(int, secondQuarters);
    QFETCH(int, secondKvgraf);
    QFETCH(int, erasedY);
    QFETCH(int, redY);

    SharedState s = startupState();
    RecordingCanvas canvas;
    diagramStep(s, statusBody(0, firstQuarters), canvas);
    // First sample: the initial line at y = 0 is wiped, then drawn red.
    QList<RecordingCanvas::Line> strokes = canvas.thresholdStrokes();
    QCOMPARE(strokes.size(), 2);
    QCOMPARE(strokes[0].colour, bgr::White);
    QCOMPARE(strokes[0].y1, 0);

    canvas.lines.clear();
    s.Kvgraf = qint16(secondKvgraf);
    diagramStep(s, statusBody(0, secondQuarters), canvas);
    strokes = canvas.thresholdStrokes();
    if (erasedY < 0) {
        QCOMPARE(strokes.size(), 1);
    } else {
        QCOMPARE(strokes.size(), 2);
        QCOMPARE(strokes[0].colour, bgr::White);
        QCOMPARE(strokes[0].y1, erasedY);
        QCOMPARE(strokes[0].y2, erasedY);
    }
    QCOMPARE(strokes.last().colour, bgr::Red);
    QCOMPARE(strokes.last().y1, redY);
    QCOMPARE(strokes.last().y2, redY);
    QCOMPARE(s.TY1, qint16(redY));
    QCOMPARE(s.TY2, qint16(redY));
}

void TestDiagram::movedThresholdLeavesNoRedBehind()
{
    SharedState s = startupState();
    ChartCanvas canvas;
    diagramStep(s, statusBody(0, 102 * 4), canvas);  // threshold at y = 3100
    const int oldRow = px(3100);
    QCOMPARE(pixelAt(canvas, 300, oldRow), kRed);
    diagramStep(s, statusBody(0, 51 * 4), canvas);  // moved to y = 4100
    for (int y = oldRow - 2; y <= oldRow + 2; ++y)
        for (int x = 0; x < canvas.image().width(); ++x)
            QVERIFY2(pixelAt(canvas, x, y) != kRed,
                     qPrintable(QStringLiteral("red left at %1,%2").arg(x).arg(y)));
    const int newRow = px(4100);
    for (int x : {0, 100, 300, 600, 648})
        QCOMPARE(pixelAt(canvas, x, newRow), kRed);
}

void TestDiagram::levelReadouts_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0 << "0 В";
    QTest::newRow("one volt") << 51 << "1 В";
    QTest::newRow("five volts") << 255 << "5 В";
    QTest::newRow("0.0196 rounds up") << 1 << "0,02 В";
    QTest::newRow("0.5098") << 26 << "0,51 В";
    QTest::newRow("1.9608") << 100 << "1,96 В";
}

void TestDiagram::levelReadouts()
{
    QFETCH(int, level);
    QFETCH(QString, expected);
    SharedState s = startupState();
    ChartCanvas canvas;
    const DiagramUpdate first = diagramStep(s, statusBody(0, 0, 0, level, 0), canvas);
    QCOMPARE(first.text2, expected);
    QCOMPARE(first.text11, QStringLiteral("0 В"));
    const DiagramUpdate second = diagramStep(s, statusBody(0, 0, 0, 0, level), canvas);
    QCOMPARE(second.text11, expected);
    QCOMPARE(second.text2, QStringLiteral("0 В"));
}

void TestDiagram::wildSamplesStayOnTheSurface()
{
    SharedState s = startupState();
    s.Kvgraf = kKvgrafHalfVPerDiv;
    ChartCanvas canvas;
    // High bytes of 255: 16383.75 counts, far above the top of the chart.
    diagramStep(s, statusBody(0xFFFF, 0xFFFF), canvas);
    QCOMPARE(s.Y2, qint16(0));
    QCOMPARE(s.TY1, qint16(0));
    QCOMPARE(s.TY2, qint16(0));
    diagramStep(s, statusBody(0xFFFF, 0), canvas);  // threshold leaves the top
    diagramStep(s, statusBody(0xFFFF, 0), canvas);
    // The trace from x = 240 to 360 runs along the top edge.
    QCOMPARE(pixelAt(canvas, px(300), 0), kBlue);
    QCOMPARE(pixelAt(canvas, px(300), 1), kBlue);
    QCOMPARE(pixelAt(canvas, px(300), 3), kWhite);
    QCOMPARE(ChartCanvas::toPixels(-40000, 100000), QPoint(0, 345));
    QCOMPARE(ChartCanvas::toPixels(11000, -5), QPoint(649, 0));
}

QTEST_MAIN(TestDiagram)
#include "test_diagram.moc"
