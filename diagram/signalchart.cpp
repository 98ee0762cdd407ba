#include "diagram/signalchart.h"

#include "base/colors.h"
#include "link/protocol.h"
#include "params/numbertext.h"

#include <algorithm>

SignalChart::SignalChart(ChartCanvas *canvas)
    : m_ownCanvas(canvas ? nullptr : std::make_unique<ChartCanvas>()),
      m_canvas(canvas ? canvas : m_ownCanvas.get())
{
}

double SignalChart::secondsPerDivision() const
{
    // A division of kDivision twips holds kDivision / m_twipsPerSample samples.
    const double milliseconds =
        double(kDivision) * double(protocol::kSlot.count()) / m_twipsPerSample;
    return milliseconds / 1000;
}

int SignalChart::heightOf(double counts) const
{
    // Held on the drawing surface so that no sample can push it out of range.
    const double y =
        kBaseline - roundHalfEven(counts * m_twipsPerVolt / StatusReading::kCountsPerVolt);
    return int(std::clamp(y, 0.0, double(ChartCanvas::kHeightTwips)));
}

SignalChart::Update SignalChart::step(const StatusReading &reading)
{
    Update update;
    m_canvas->takeChangedArea();

    // Trace segment from the pen to the new sample, then advance the pen.
    const qint16 y = qint16(heightOf(reading.signal));
    m_canvas->drawLine(m_penX, m_penY, m_penX + m_twipsPerSample, y, bgr::Blue,
                       ChartCanvas::Pen::Trace);
    m_penX = qint16(m_penX + m_twipsPerSample);
    m_penY = y;
    if (m_penX > kSweepEnd)
        m_penX = 0;

    // Wipe the band ahead of the pen (grid included) and redraw the grid
    // over the new trace segment.
    m_canvas->wipe(m_penX + kEraseWidth, 0, m_penX, kEraseBottom);
    m_canvas->drawGrid();

    // Threshold line: the old one is wiped only when the threshold moved.
    // Otherwise the line is already there wherever this step changed
    // nothing, so it is drawn again only where the step painted, and it is
    // no change of its own.
    const qint16 thresholdY = qint16(heightOf(reading.threshold));
    const bool moved = m_thresholdY != thresholdY;
    if (moved && m_thresholdDrawn)
        m_canvas->drawLine(0, m_thresholdY, kSweepEnd, m_thresholdY, bgr::White,
                           ChartCanvas::Pen::Trace);
    m_thresholdY = thresholdY;
    if (moved || !m_thresholdDrawn)
        m_canvas->drawLine(0, m_thresholdY, kSweepEnd, m_thresholdY, bgr::Red,
                           ChartCanvas::Pen::Trace);
    else
        m_canvas->redrawLine(0, m_thresholdY, kSweepEnd, m_thresholdY, bgr::Red,
                             ChartCanvas::Pen::Trace);
    m_thresholdDrawn = true;
    m_thresholdVolts = reading.thresholdVolts();
    update.changedPixels = m_canvas->takeChangedArea();

    update.level1Text = voltsReadout(reading.level1 / StatusReading::kCountsPerVolt);
    update.level2Text = voltsReadout(reading.level2 / StatusReading::kCountsPerVolt);
    update.pass = m_pass.advance(reading.signal, reading.threshold);
    return update;
}
