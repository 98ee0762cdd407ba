#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class ChartCanvas;
struct SharedState;

// Scales of the diagram, chosen by the scale check boxes.
constexpr qint16 kKvgraf1VPerDiv = 1000;      // "1В/дел.": twips per volt
constexpr qint16 kKvgrafHalfVPerDiv = 2000;   // "0,5В/дел."
constexpr qint16 kKsgrafHalfSecPerDiv = 120;  // "0,5c./дел.": twips per sample
constexpr qint16 kKsgraf1SecPerDiv = 60;      // "1c./дел."

// Geometry of the chart, in twips.
constexpr int kChartBaseline = 5100;   // zero volts
constexpr int kChartSweepEnd = 9750;   // the pen wraps once it passes this x
constexpr int kChartEraseWidth = 300;  // band wiped ahead of the pen
constexpr int kChartEraseBottom = 5400;

// Control pass.
constexpr qint16 kPassBlockSamples = 8;  // samples summed per block
constexpr qint16 kPassMaxBlocks = 353;   // a pass ends by itself after this many blocks

// Caption of the blinking label while a pass runs and once it has ended.
inline QString measuringCaption()
{
    return QStringLiteral("Измерение");
}

// What one status reply changes in the window, besides the chart itself. The
// step touches no control; the window applies this after the step.
struct DiagramUpdate {
    QString text2;   // level 1 read-out
    QString text11;  // level 2 read-out

    // The control pass ran on this sample: text12 and text12ColorBgr are set.
    bool passRan = false;
    QString text12;              // smoothed useful signal
    quint32 text12ColorBgr = 0;  // black below the threshold, red at or above

    // New caption of Label30 when this sample sets one.
    std::optional<QString> label30;

    // The pass ended on this sample: Command9 enabled, Command8 disabled, and
    // text3 holds the pass mean, or "" when no block of the pass completed.
    bool passEnded = false;
    std::optional<QString> text3;
};

// One step of the diagram for a validated status reply body (buf1, 18
// characters): draws the next trace segment, wipes the band ahead of the pen,
// redraws the grid and the threshold line, reads out both levels and advances
// a running control pass. Reads and writes the diagram and control-pass
// variables of the shared state.
DiagramUpdate diagramStep(SharedState &state, const QString &buf1, ChartCanvas &canvas);

// Stores a real as a 16-bit Integer: rounded with halves to even, held inside
// the 16-bit range.
qint16 toInteger16(double value);
