#include "tasks/passrecorder.h"

std::optional<CommissioningReport::Pass>
PassRecorder::take(const StatusReading &reading, const ControlPass::Step &step, int flank)
{
    if (!m_recording) {
        m_recording = true;
        m_pass = CommissioningReport::Pass();
        m_pass.flank = flank;
        m_clock.start();
    }
    const double seconds = m_clock.elapsed() / 1000.0;
    m_pass.signal.append({seconds, reading.signalVolts()});
    m_pass.thresholdVolts = reading.thresholdVolts();
    if (!step.ended)
        return std::nullopt;
    m_recording = false;
    m_pass.seconds = seconds;
    if (step.result)
        m_pass.meanVolts = step.result->meanVolts;
    return m_pass;
}
