#pragma once

#include "diagram/controlpass.h"
#include "files/commissioningreport.h"

#include <QElapsedTimer>

#include <optional>

// Follows a control pass sample by sample as the commissioning report takes
// it: the signal from the first sample the pass took to the one it ended on,
// the threshold, how long the pass ran and its mean. Fed with every status
// reading a control pass advanced on, by the window's chart and by the
// report's own pass alike.
class PassRecorder {
public:
    // One reading and what the pass made of it. Returns the whole pass when
    // it ended on this reading.
    std::optional<CommissioningReport::Pass> take(const StatusReading &reading,
                                                  const ControlPass::Step &step, int flank);
    // Forgets a pass in progress: the exchange ended under it.
    void drop() { m_recording = false; }
    bool recording() const { return m_recording; }

private:
    bool m_recording = false;
    CommissioningReport::Pass m_pass;
    QElapsedTimer m_clock;
};
