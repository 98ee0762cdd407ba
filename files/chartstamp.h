#pragma once

#include <QDateTime>
#include <QImage>
#include <QStringList>

#include <optional>

// What a saved picture of the signal chart says about itself, so that the
// file means something away from the window: when it was saved, which
// detector and flank it shows, at what line speed, at which scales and
// against which threshold.
struct ChartStamp {
    QDateTime time;   // when the picture was saved
    int address = 0;  // the unit address the exchange talks to
    int flank = 1;
    int baud = 0;  // the line speed; 0: not known
    double voltsPerDivision = 1;
    double secondsPerDivision = 0.5;
    std::optional<double> thresholdVolts;  // the red line; none: nothing drawn yet
};

// The stamp's lines of text, in the program's language, numbers and dates as
// the window shows them.
QStringList chartStampLines(const ChartStamp &stamp);

// The chart picture unchanged, with a band below it holding the stamp's
// lines; as wide as the chart.
QImage stampedChart(const QImage &chart, const ChartStamp &stamp);
