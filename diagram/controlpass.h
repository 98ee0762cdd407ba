#pragma once

#include "base/enginetext.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// The control pass: while the installer walks along the fence, the useful
// signal is smoothed sample by sample and averaged in blocks of eight
// samples; the mean of the blocks is the pass's result.
class ControlPass {
public:
    static constexpr int kBlockSamples = 8;  // samples summed per block
    static constexpr int kMaxBlocks = 353;   // a pass ends by itself after this many blocks

    // Caption of the blinking label while a pass runs and once it has ended.
    static QString measuringCaption()
    {
        return engineText(QT_TRANSLATE_NOOP("Engine", "Измерение"));
    }

    // What the two buttons show after a press.
    struct Buttons {
        bool startEnabled = false;  // "Старт"
        bool stopEnabled = false;   // "Стоп"
        bool clearMean = false;     // the mean of the last pass is emptied ("")
    };

    // "Старт". When no pass runs, a new pass begins from an empty sum, so
    // neither the blocks nor a pending stop of a pass cut off by the end of
    // the exchange carry into it. A pass that runs or is stopping is left as
    // it is. The block in progress always carries over.
    Buttons start();
    // "Стоп": the running pass ends at the next sample.
    Buttons requestStop();
    // The exchange started anew: no pass runs.
    void cancel() { m_running = false; }
    bool running() const { return m_running; }

    // The result of a pass that ended with at least one block.
    struct Result {
        double meanVolts = 0;
        int blocks = 0;
    };

    // What one sample changes while a pass runs.
    struct Step {
        std::optional<QString> caption;   // new caption of the blinking label
        bool ended = false;               // the pass ended on this sample
        std::optional<QString> meanText;  // with ended: the mean, "" with no block
        std::optional<Result> result;     // with ended: the pass's result, none with no block
        QString usefulText;               // smoothed useful signal
        quint32 usefulColour = 0;         // black below the threshold, red at or above
    };
    // Advances a running pass by one sample (signal and threshold in counts).
    // Nothing when no pass runs.
    std::optional<Step> advance(double signal, double threshold);

private:
    qint16 m_smoothed = 0;  // counts
    qint16 m_blockSamplesLeft = kBlockSamples;
    qint16 m_blockSum = 0;
    qint32 m_sumOfBlockMeans = 0;
    qint16 m_blocks = 0;
    bool m_running = false;
    bool m_stopRequested = false;
};

// Stores a real as a 16-bit integer: rounded with halves to even, held inside
// the 16-bit range.
qint16 toInteger16(double value);
