#include "diagram/controlpass.h"

#include "base/colors.h"
#include "link/statusreading.h"
#include "params/numbertext.h"

#include <algorithm>
#include <limits>

qint16 toInteger16(double value)
{
    const double r = roundHalfEven(value);
    return qint16(std::clamp(r, double(std::numeric_limits<qint16>::min()),
                             double(std::numeric_limits<qint16>::max())));
}

ControlPass::Buttons ControlPass::start()
{
    if (!m_running) {
        m_sumOfBlockMeans = 0;
        m_blocks = 0;
        m_stopRequested = false;
    }
    m_running = true;
    return {false, true, true};
}

ControlPass::Buttons ControlPass::requestStop()
{
    m_stopRequested = true;
    return {true, false, false};
}

std::optional<ControlPass::Step> ControlPass::advance(double signal, double threshold)
{
    if (!m_running)
        return std::nullopt;
    constexpr double kCountsPerVolt = StatusReading::kCountsPerVolt;
    Step step;

    // The caption blinks once per block.
    if (m_blockSamplesLeft == kBlockSamples / 2)
        step.caption = QString();
    else if (m_blockSamplesLeft == kBlockSamples)
        step.caption = measuringCaption();

    // Eight samples are summed; the ninth closes the block without being added.
    if (m_blockSamplesLeft != 0) {
        m_blockSum = toInteger16(m_blockSum + signal);
        --m_blockSamplesLeft;
    } else {
        const double blockMean = roundHalfEven(m_blockSum / double(kBlockSamples));
        m_blockSamplesLeft = kBlockSamples;
        m_blockSum = 0;
        ++m_blocks;
        m_sumOfBlockMeans = qint32(roundHalfEven(m_sumOfBlockMeans + blockMean));
    }

    // End of the pass. With no completed block there is no mean to show.
    if (m_stopRequested || m_blocks >= kMaxBlocks) {
        if (m_blocks > 0) {
            const double mean = m_sumOfBlockMeans / (m_blocks * kCountsPerVolt);
            step.meanText = voltsReadout(mean);
            step.result = Result{mean, m_blocks};
        } else {
            step.meanText = QString();
        }
        m_sumOfBlockMeans = 0;
        m_blocks = 0;
        m_running = false;
        m_stopRequested = false;
        step.ended = true;
        step.caption = measuringCaption();
    }

    // Useful signal: the mean of the smoothed value and the new sample.
    const double usefulVolts = (m_smoothed + signal) / (2 * kCountsPerVolt);
    step.usefulColour = usefulVolts < threshold / kCountsPerVolt ? bgr::Black : bgr::Red;
    step.usefulText = voltsReadout(usefulVolts);
    m_smoothed = toInteger16(roundHalfEven((m_smoothed + signal) / 2));
    return step;
}
