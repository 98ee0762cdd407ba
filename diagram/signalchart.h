#pragma once

#include "diagram/chartcanvas.h"
#include "diagram/controlpass.h"
#include "link/statusreading.h"

#include <QRegion>
#include <QString>

#include <memory>
#include <optional>

// The strip chart of the cable signal with the alarm threshold, its two
// level read-outs and the control pass, fed one status reading at a time.
class SignalChart {
public:
    // Vertical scales, twips per volt: "1В/дел." and "0,5В/дел.".
    static constexpr int kOneVoltPerDivision = 1000;
    static constexpr int kHalfVoltPerDivision = 2000;
    // Horizontal scales, twips per sample: "0,5c./дел." and "1c./дел.".
    static constexpr int kHalfSecondPerDivision = 120;
    static constexpr int kOneSecondPerDivision = 60;

    // Geometry of the chart, in twips.
    static constexpr int kBaseline = 5100;   // zero volts
    static constexpr int kSweepEnd = 9750;   // the pen wraps once it passes this x
    static constexpr int kEraseWidth = 300;  // band wiped ahead of the pen
    static constexpr int kEraseBottom = 5400;
    // One division of the grid, in twips, both ways.
    static constexpr int kDivision = 1000;

    // What one reading changes besides the chart itself.
    struct Update {
        QString level1Text;
        QString level2Text;
        std::optional<ControlPass::Step> pass;  // set while a pass ran on this sample
        QRegion changedPixels;                  // the part of the image that changed
    };

    explicit SignalChart(ChartCanvas *canvas = nullptr);

    // Draws the next trace segment, wipes the band ahead of the pen, restores
    // the grid and the threshold line, reads out both levels and advances a
    // running control pass.
    Update step(const StatusReading &reading);

    void setVoltScale(int twipsPerVolt) { m_twipsPerVolt = twipsPerVolt; }
    void setTimeScale(int twipsPerSample) { m_twipsPerSample = twipsPerSample; }
    int voltScale() const { return m_twipsPerVolt; }
    int timeScale() const { return m_twipsPerSample; }
    // The scales in the units of their captions: 1 or 0.5 V per division,
    // 0.5 or 1 s per division (one sample per exchange slot).
    double voltsPerDivision() const { return double(kDivision) / m_twipsPerVolt; }
    double secondsPerDivision() const;
    // The threshold of the red line as last drawn, in volts; none before the
    // first reading.
    std::optional<double> thresholdVolts() const { return m_thresholdVolts; }

    ChartCanvas &canvas() { return *m_canvas; }
    const ChartCanvas &canvas() const { return *m_canvas; }
    ControlPass &pass() { return m_pass; }
    const ControlPass &pass() const { return m_pass; }
    int penX() const { return m_penX; }

private:
    int heightOf(double counts) const;

    std::unique_ptr<ChartCanvas> m_ownCanvas;
    ChartCanvas *m_canvas;
    ControlPass m_pass;
    int m_twipsPerVolt = kOneVoltPerDivision;
    int m_twipsPerSample = kHalfSecondPerDivision;
    qint16 m_penX = 0;
    qint16 m_penY = 0;
    qint16 m_thresholdY = 0;
    bool m_thresholdDrawn = false;
    std::optional<double> m_thresholdVolts;
};
