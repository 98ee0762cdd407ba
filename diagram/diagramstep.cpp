#include "diagram/diagramstep.h"

#include "app/colors.h"
#include "app/sharedstate.h"
#include "diagram/chartcanvas.h"
#include "link/codec.h"
#include "params/numbertext.h"

#include <algorithm>
#include <limits>

namespace {

constexpr double kCountsPerVolt = 51.0;

// A sample of the status reply: low byte / 4 + high byte * 64, in counts, with
// its quarter fractions kept.
double sampleAt(const QString &buf1, int position)
{
    return codec::TakeData(buf1, position) / 4.0 + codec::TakeData(buf1, position + 2) * 64.0;
}

// The y of a value in counts at the current vertical scale, held on the
// drawing surface so that no sample can push it out of range.
qint16 heightOf(double counts, qint16 kvgraf)
{
    const double y = kChartBaseline - roundHalfEven(counts * kvgraf / kCountsPerVolt);
    return qint16(std::clamp(y, 0.0, double(ChartCanvas::kHeightTwips)));
}

}  // namespace

qint16 toInteger16(double value)
{
    const double r = roundHalfEven(value);
    return qint16(std::clamp(r, double(std::numeric_limits<qint16>::min()),
                             double(std::numeric_limits<qint16>::max())));
}

DiagramUpdate diagramStep(SharedState &state, const QString &buf1, ChartCanvas &canvas)
{
    DiagramUpdate update;

    // The samples of the reply.
    const double signal = sampleAt(buf1, 3);
    const double threshold = sampleAt(buf1, 7);

    // Trace segment from the pen to the new sample, then advance the pen.
    state.Y2 = heightOf(signal, state.Kvgraf);
    canvas.drawLine(state.X1, state.Y1, state.X1 + state.Ksgraf, state.Y2, bgr::Blue,
                    ChartCanvas::Pen::Trace);
    state.X1 = qint16(state.X1 + state.Ksgraf);
    state.Y1 = state.Y2;
    if (state.X1 > kChartSweepEnd)
        state.X1 = 0;

    // Wipe the band ahead of the pen and restore the grid.
    canvas.fillRect(state.X1 + kChartEraseWidth, 0, state.X1, kChartEraseBottom, bgr::White);
    canvas.drawGrid();

    // Threshold line: the old one is wiped only when the threshold moved.
    const qint16 thresholdY = heightOf(threshold, state.Kvgraf);
    if (state.TY1 != thresholdY) {
        canvas.drawLine(0, state.TY1, kChartSweepEnd, state.TY2, bgr::White,
                        ChartCanvas::Pen::Trace);
        state.TY1 = thresholdY;
        state.TY2 = thresholdY;
    }
    canvas.drawLine(0, state.TY1, kChartSweepEnd, state.TY2, bgr::Red, ChartCanvas::Pen::Trace);

    update.text2 = voltsReadout(codec::TakeData(buf1, 13) / kCountsPerVolt);
    update.text11 = voltsReadout(codec::TakeData(buf1, 15) / kCountsPerVolt);

    if (state.FlStartIzmer != 1)
        return update;
    update.passRan = true;

    // The caption blinks once per block.
    if (state.cntProh == 4)
        update.label30 = QString();
    else if (state.cntProh == kPassBlockSamples)
        update.label30 = measuringCaption();

    // Eight samples are summed; the ninth closes the block without being added.
    if (state.cntProh != 0) {
        state.SumTekSign = toInteger16(state.SumTekSign + signal);
        --state.cntProh;
    } else {
        const double blockMean = roundHalfEven(state.SumTekSign / double(kPassBlockSamples));
        state.cntProh = kPassBlockSamples;
        state.SumTekSign = 0;
        ++state.cntSr;
        state.SumSrZn = qint32(roundHalfEven(state.SumSrZn + blockMean));
    }

    // End of the pass. With no completed block there is no mean to show.
    if (state.FlStopIzmer == 1 || state.cntSr >= kPassMaxBlocks) {
        update.text3 = state.cntSr > 0
                           ? voltsReadout(state.SumSrZn / (state.cntSr * kCountsPerVolt))
                           : QString();
        state.SumSrZn = 0;
        state.cntSr = 0;
        state.FlStartIzmer = 0;
        state.FlStopIzmer = 0;
        update.passEnded = true;
        update.label30 = measuringCaption();
    }

    // Useful signal: the mean of the smoothed value and the new sample.
    const double usefulVolts = (state.SignUsr + signal) / (2 * kCountsPerVolt);
    update.text12ColorBgr = usefulVolts < threshold / kCountsPerVolt ? bgr::Black : bgr::Red;
    update.text12 = voltsReadout(usefulVolts);
    state.SignUsr = toInteger16(roundHalfEven((state.SignUsr + signal) / 2));

    return update;
}
