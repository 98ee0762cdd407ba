// The signal chart (trace, threshold line, level read-outs) and the control
// pass, fed status readings without any window.
#include "base/colors.h"
#include "diagram/signalchart.h"

#include <QLocale>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QRgb kWhite = 0xFFFFFF, kBlack = 0, kBlue = 0x0000FF, kRed = 0xFF0000;

// Records every line as {x1, y1, x2, y2, colour}; full-width lines are thresholds.
struct RecordingCanvas : ChartCanvas {
    QList<QList<qint64>> lines, thresholds;
    void drawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen) override
    {
        lines.append({x1, y1, x2, y2, colour});
        if (pen == Pen::Trace && x1 == 0 && x2 == SignalChart::kSweepEnd)
            thresholds.append({y1, colour});
        ChartCanvas::drawLine(x1, y1, x2, y2, colour, pen);
    }
    void redrawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen) override
    {
        lines.append({x1, y1, x2, y2, colour});
        thresholds.append({y1, colour});
        ChartCanvas::redrawLine(x1, y1, x2, y2, colour, pen);
    }
};

QPen referencePen(ChartCanvas::Pen kind, quint32 colour)
{
    QPen pen(colorFromBgr(colour), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (kind == ChartCanvas::Pen::Grid) {
        pen.setWidth(1);
        pen.setDashPattern({3, 3});
        pen.setCapStyle(Qt::FlatCap);
    }
    return pen;
}

// Paints every operation a second time the plain way, with QPainter on an
// image of its own, redrawing a line in full wherever it goes: the canvas's
// own image must come out the same.
struct CheckedCanvas : ChartCanvas {
    QImage reference, blank, gridLayer;
    QList<QRect> dirty;
    CheckedCanvas()
    {
        ChartCanvas empty;
        empty.drawGrid();
        blank = empty.image();
        reference = image().copy();
        gridLayer = QImage(blank.size(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < blank.height(); ++y)
            for (int x = 0; x < blank.width(); ++x)
                gridLayer.setPixel(x, y, qGray(blank.pixel(x, y)) == 0 ? 0xFF000000 : 0);
        dirty.append(reference.rect());
    }
    void paintLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen)
    {
        QPainter painter(&reference);
        painter.setPen(referencePen(pen, colour));
        const QPoint a = toPixels(x1, y1), b = toPixels(x2, y2);
        painter.drawLine(a, b);
        dirty.append(QRect(a, b).normalized().adjusted(-3, -3, 3, 3));
    }
    void drawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen) override
    {
        paintLine(x1, y1, x2, y2, colour, pen);
        ChartCanvas::drawLine(x1, y1, x2, y2, colour, pen);
    }
    void redrawLine(int x1, int y1, int x2, int y2, quint32 colour, Pen pen) override
    {
        paintLine(x1, y1, x2, y2, colour, pen);
        ChartCanvas::redrawLine(x1, y1, x2, y2, colour, pen);
    }
    void wipe(int x1, int y1, int x2, int y2) override
    {
        // Both corners included, whichever way round they come.
        const QPoint a = toPixels(x1, y1), b = toPixels(x2, y2);
        const QRect area(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                         QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
        QPainter(&reference).drawImage(area.topLeft(), blank, area);
        ChartCanvas::wipe(x1, y1, x2, y2);
    }
    void drawGrid() override
    {
        QPainter painter(&reference);
        for (const QRect &r : std::as_const(dirty))
            painter.drawImage(r.topLeft(), gridLayer, r);
        dirty.clear();
        ChartCanvas::drawGrid();
    }
};

QRgb pix(const ChartCanvas &c, int x, int y)
{
    return c.image().pixel(x, y) & 0xFFFFFF;
}
int px(int twips)
{
    return ChartCanvas::toPixels(twips, 0).x();
}
StatusReading sample(double signal, double threshold = 0, int level1 = 0, int level2 = 0)
{
    StatusReading r;
    r.signal = signal;
    r.threshold = threshold;
    r.level1 = level1;
    r.level2 = level2;
    return r;
}

}  // namespace

class DiagramTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void trace_data()
    {
        QTest::addColumn<int>("voltScale");
        QTest::addColumn<double>("signal");  // counts
        QTest::addColumn<int>("y");          // twips
        QTest::newRow("1 V at 1 V/div") << 1000 << 51.0 << 4100;
        QTest::newRow("1 V at 0.5 V/div") << 2000 << 51.0 << 3100;
        QTest::newRow("quarter count") << 1000 << 0.25 << 5095;
        QTest::newRow("5 V") << 1000 << 255.0 << 100;
        QTest::newRow("wild sample held at the top") << 2000 << 16383.75 << 0;
    }
    void trace()
    {
        QFETCH(int, voltScale);
        QFETCH(double, signal);
        QFETCH(int, y);
        RecordingCanvas canvas;
        SignalChart chart(&canvas);
        QImage white(canvas.image().size(), QImage::Format_RGB32);
        white.fill(Qt::white);
        QCOMPARE(canvas.image().convertToFormat(QImage::Format_RGB32), white);  // starts white
        chart.setVoltScale(voltScale);
        const double threshold = y >= 5000 ? 204 : 0.5;  // keep the threshold line off the trace
        chart.step(sample(signal, threshold));
        canvas.lines.clear();
        const SignalChart::Update update = chart.step(sample(signal, threshold, 255, 26));
        QCOMPARE(QStringList({update.level1Text, update.level2Text}),
                 QStringList({u"5 В"_s, u"0,51 В"_s}));
        QVERIFY(!update.pass);  // no control pass running
        QCOMPARE(canvas.lines.first(), QList<qint64>({120, y, 240, y, bgr::Blue}));
        const int row = std::min(px(y) + 1, 344);
        QCOMPARE(pix(canvas, px(180), row), kBlue);
        QVERIFY(pix(canvas, px(180), row + 2) != kBlue);  // three pixels wide
        QVERIFY(update.changedPixels.contains(QPoint(px(180), row)));
        QVERIFY(update.changedPixels.contains(QPoint(px(240 + SignalChart::kEraseWidth) - 1, 300)));
        // An unmoved threshold line is no change: only the pen's strip repaints.
        int area = 0;
        for (const QRect &r : update.changedPixels)
            area += r.width() * r.height();
        QVERIFY(area < canvas.image().width() * canvas.image().height() / 10);
    }
    void penWrapsAtTheSweepEnd_data()
    {
        QTest::addColumn<int>("timeScale");
        QTest::addColumn<int>("samples");  // until the segment that passes the sweep end
        QTest::newRow("0.5 s/div") << 120 << 82;
        QTest::newRow("1 s/div") << 60 << 163;
    }
    void penWrapsAtTheSweepEnd()
    {
        QFETCH(int, timeScale);
        QFETCH(int, samples);
        RecordingCanvas canvas;
        SignalChart chart(&canvas);
        chart.setTimeScale(timeScale);
        for (int i = 1; i < samples; ++i)
            chart.step(sample(51));
        QCOMPARE(chart.penX(), 9720);
        canvas.lines.clear();
        chart.step(sample(51));
        QCOMPARE(canvas.lines.first(),
                 QList<qint64>({9720, 4100, 9720 + timeScale, 4100, bgr::Blue}));
        QCOMPARE(chart.penX(), 0);
        canvas.lines.clear();
        chart.step(sample(102));
        QCOMPARE(canvas.lines.first(), QList<qint64>({0, 4100, timeScale, 3100, bgr::Blue}));
        QCOMPARE(pix(canvas, 0, px(4100) - 1), kBlue);
    }
    void thresholdErasedOnlyWhenMoved()
    {
        RecordingCanvas canvas;
        SignalChart chart(&canvas);
        chart.step(sample(0, 51));
        canvas.thresholds.clear();
        chart.step(sample(0, 51));
        QCOMPARE(canvas.thresholds, QList<QList<qint64>>({{4100, bgr::Red}}));
        canvas.thresholds.clear();
        chart.setVoltScale(2000);  // same value, other scale: moves to 3100
        chart.step(sample(0, 51));
        QCOMPARE(canvas.thresholds, QList<QList<qint64>>({{4100, bgr::White}, {3100, bgr::Red}}));
        for (int y = px(4100) - 2; y <= px(4100) + 2; ++y)
            for (int x = 0; x < 649; ++x)
                QVERIFY2(pix(canvas, x, y) != kRed, qPrintable(u"%1,%2"_s.arg(x).arg(y)));
        QCOMPARE(pix(canvas, 300, px(3100)), kRed);
        // Grid dots: three black pixels of six along a row, the top of a column.
        QCOMPARE(QList<QRgb>({pix(canvas, 42, px(2100)), pix(canvas, 45, px(2100)),
                              pix(canvas, px(500), 0)}),
                 QList<QRgb>({kBlack, kWhite, kBlack}));
        QCOMPARE(ChartCanvas::toPixels(-40000, 100000), QPoint(0, 345));
        QCOMPARE(ChartCanvas::toPixels(11000, -5), QPoint(649, 0));
    }
    void strokesAreQPaintersPixels_data()
    {
        QTest::addColumn<QList<int>>("line");  // x1, y1, x2, y2 in twips
        QTest::newRow("trace step down") << QList<int>{120, 4100, 240, 3100};
        QTest::newRow("trace step up, steep") << QList<int>{1200, 100, 1260, 5100};
        QTest::newRow("flat") << QList<int>{0, 2000, 9750, 2000};
        QTest::newRow("a point") << QList<int>{3000, 3000, 3000, 3000};
        QTest::newRow("along the top edge") << QList<int>{0, 0, 9750, 0};
        QTest::newRow("off every edge") << QList<int>{-500, 6000, 11000, -200};
        QTest::newRow("into the bottom right corner") << QList<int>{9600, 5000, 9735, 5175};
        QTest::newRow("backwards") << QList<int>{9000, 400, 150, 4700};
    }
    void strokesAreQPaintersPixels()
    {
        QFETCH(QList<int>, line);
        for (const ChartCanvas::Pen pen : {ChartCanvas::Pen::Trace, ChartCanvas::Pen::Grid}) {
            ChartCanvas canvas;
            QImage expected = canvas.image().copy();
            // Twice, so that the second stroke comes from the kept mask.
            for (int i = 0; i < 2; ++i) {
                canvas.drawLine(line[0], line[1], line[2], line[3], bgr::Blue, pen);
                QPainter painter(&expected);
                painter.setPen(referencePen(pen, bgr::Blue));
                painter.drawLine(ChartCanvas::toPixels(line[0], line[1]),
                                 ChartCanvas::toPixels(line[2], line[3]));
            }
            QCOMPARE(canvas.image(), expected);
            QVERIFY(canvas.takeChangedArea().contains(
                ChartCanvas::toPixels((line[0] + line[2]) / 2, (line[1] + line[3]) / 2)));
        }
    }
    // A long run of random samples with scale and threshold changes: the
    // chart's pixels are those of plain painting with every threshold line
    // drawn in full (over more line vectors than the canvas keeps strokes
    // for), and every pixel a step changes is in its changed area.
    void stepsPaintWhatPlainPaintingWould()
    {
        CheckedCanvas canvas;
        SignalChart chart(&canvas);
        QRandomGenerator random(7);
        double threshold = 40;
        for (int i = 0; i < 3000; ++i) {
            if (random.bounded(40) == 0)
                threshold = random.bounded(300.0);
            if (random.bounded(300) == 0)
                chart.setVoltScale(random.bounded(2) ? 1000 : 2000);
            if (random.bounded(300) == 0)
                chart.setTimeScale(random.bounded(2) ? 60 : 120);
            const double signal =
                random.bounded(20) == 0 ? random.bounded(20000.0) : 30 + random.bounded(40.0);
            const QImage before = i % 10 == 0 ? canvas.image().copy() : QImage();
            const QRegion changed = chart.step(sample(signal, threshold)).changedPixels;
            QVERIFY2(canvas.image() == canvas.reference, qPrintable(u"step %1"_s.arg(i)));
            if (before.isNull())
                continue;
            for (int y = 0; y < before.height(); ++y)
                for (int x = 0; x < before.width(); ++x)
                    if (before.pixel(x, y) != canvas.image().pixel(x, y) &&
                        !changed.contains(QPoint(x, y)))
                        QFAIL(qPrintable(
                            u"step %1: %2,%3 changed unreported"_s.arg(i).arg(x).arg(y)));
        }
    }
    void passMean_data()
    {
        // S start, X stop, ? whether a pass runs, "v*n" n samples of v counts.
        // Eight samples are summed, the ninth closes the block. Results: the
        // mean at each end of a pass, and the answers to ?.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("results");
        QTest::newRow("one block") << u"S 51*9 X 0"_s << QStringList{u"1 В"_s};
        QTest::newRow("half counts vanish") << u"S 0.5*9 X 0"_s << QStringList{u"0 В"_s};
        QTest::newRow("sums round halves to even") << u"S 1.5*9 X 0"_s << QStringList{u"0,04 В"_s};
        QTest::newRow("block mean 2.5 to 2") << u"S 2*7 6 0 X 0"_s << QStringList{u"0,04 В"_s};
        QTest::newRow("block mean 3.5 to 4") << u"S 3*7 7 0 X 0"_s << QStringList{u"0,08 В"_s};
        QTest::newRow("mean of blocks") << u"S 51*9 52*9 X 0"_s << QStringList{u"1,01 В"_s};
        QTest::newRow("read-out 0.125 to even") << u"S 51*9 0*63 X 0"_s << QStringList{u"0,12 В"_s};
        QTest::newRow("no block, no mean")
            << u"S 51*3 X 51 ?"_s << QStringList{QString(), u"idle"_s};
        QTest::newRow("block in progress carries over, blocks do not")
            << u"S 51*12 X 51 1000 S 0*5 X 0"_s << QStringList{u"1 В"_s, u"0,51 В"_s};
        QTest::newRow("start while stopping still ends")
            << u"S 102*9 X S 102 ?"_s << QStringList{u"2 В"_s, u"idle"_s};
        QTest::newRow("ends by itself after 353 blocks, past 16 bits")
            << u"S 255.75*3176 ? 255.75 ?"_s << QStringList{u"running"_s, u"5,02 В"_s, u"idle"_s};
    }
    void passMean()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, results);
        ControlPass pass;
        QStringList got;
        for (const QString &token : script.split(u' ')) {
            if (token == u"S")
                pass.start();
            else if (token == u"X")
                pass.requestStop();
            else if (token == u"?")
                got << (pass.running() ? u"running"_s : u"idle"_s);
            else
                for (int n = token.contains(u'*') ? token.section(u'*', 1).toInt() : 1; n > 0;
                     --n) {
                    const auto step = pass.advance(token.section(u'*', 0, 0).toDouble(), 0);
                    if (step && step->ended)
                        got << step->meanText.value_or(u"(none)"_s);
                }
        }
        QCOMPARE(got, results);
    }
    void usefulSignal_data()
    {
        QTest::addColumn<QList<double>>("inputs");  // signal, counts
        QTest::addColumn<double>("threshold");
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("colour");
        QTest::newRow("at the threshold") << QList<double>{102} << 51.0 << u"1 В"_s << bgr::Red;
        QTest::newRow("just below") << QList<double>{102} << 51.25 << u"1 В"_s << bgr::Black;
        QTest::newRow("smoothed") << QList<double>{100, 100} << 255.0 << u"1,47 В"_s << bgr::Black;
        QTest::newRow("smoothing halves to even")
            << QList<double>{1, 2} << 0.0 << u"0,02 В"_s << bgr::Red;
    }
    void usefulSignal()
    {
        QFETCH(QList<double>, inputs);
        QFETCH(double, threshold);
        QFETCH(QString, text);
        QFETCH(quint32, colour);
        SignalChart chart;
        chart.pass().start();
        std::optional<ControlPass::Step> step;
        for (double s : inputs)
            step = chart.step(sample(s, threshold)).pass;
        QVERIFY(step);
        QCOMPARE(step->usefulText, text);
        QCOMPARE(step->usefulColour, colour);
    }
};

QTEST_MAIN(DiagramTest)
#include "test_diagram.moc"
