#pragma once

#include "link/statusreading.h"
#include "params/settingsfile.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QString>

#include <optional>

// A commissioning report: where and by whom, what was connected (with the
// unit number the detector gave), the settings of both flanks, the state of
// both flanks and of the tamper sensor, the control pass with a picture of
// the signal (or that none was made), and lines for the installer's and the
// customer's signatures. Written as an A4 PDF.
struct CommissioningReport {
    struct Pass {
        int flank = 1;
        double seconds = 0;               // how long the pass ran
        std::optional<double> meanVolts;  // none: the pass completed no block
        double thresholdVolts = 0;
        QList<QPointF> signal;  // (seconds since the start, volts)
    };

    QDateTime time;
    QString site;       // where the detector is installed; empty: a line to write on
    QString installer;  // who commissioned it; empty: a line to write on
    QString port;       // as the user named it, with its device ("COM-порт 1 (/dev/ttyS0)")
    int baud = 0;
    int address = 0;
    // The unit number the detector reported; none: it could not be read.
    std::optional<int> unitNumber;
    SettingsProfile settings;
    std::optional<StatusReading> status[SettingsProfile::kFlankCount];

    // Keeps a status reading of `flank`; returns the flank whose reading is
    // still missing, or 0 when both are in.
    int takeStatus(int flank, const StatusReading &reading)
    {
        status[flank - 1] = reading;
        const int other = flank == 1 ? 2 : 1;
        return status[other - 1] ? 0 : other;
    }
    std::optional<Pass> pass;

    // The report as a rich-text document (HTML for QTextDocument); the pass
    // picture is referenced as kChartResource.
    QString html() const;
    static constexpr char kChartResource[] = "verkan-pass-chart.png";

    // Writes the PDF whole or not at all (an older report at `path` stays as
    // it was); false with the reason when the file cannot be written.
    bool writePdf(const QString &path, QString *error) const;
};

// The signal of a pass over time with the threshold line, on a white ground
// with a labelled grid.
QImage passChartImage(const CommissioningReport::Pass &pass, QSize size);
