#include "optimize/strategy.h"

#include "core/conversions.h"

namespace qv {
namespace {

constexpr double kPercent = 100.0;

std::int32_t periodOf(std::chrono::milliseconds period) {
    return static_cast<std::int32_t>(period.count());
}

}  // namespace

float UsagePercent(TextView usedCaption, TextView totalCaption) {
    const double ratio = TextToNumber(usedCaption) / TextToNumber(totalCaption);
    return static_cast<float>(RoundDecimal(ratio * kPercent, 0));
}

bool ExceedsThreshold(float usage, double threshold) {
    return static_cast<double>(usage) - threshold > kExceedMargin;
}

std::int32_t IntervalPeriod(double minutes) {
    return LowBits32(TruncateToInteger(minutes * kMillisecondsPerMinute));
}

StrategyScheduler::StrategyScheduler(SharedState& state, MainWindowControls controls,
                                     std::function<void()> trimPass,
                                     std::function<void()> refreshDashboard)
    : m_state(state),
      m_controls(controls),
      m_trimPass(std::move(trimPass)),
      m_refreshDashboard(std::move(refreshDashboard)) {}

double StrategyScheduler::threshold() const {
    return TextToNumber(m_controls.编辑框2.text());
}

void StrategyScheduler::EvaluateStrategy() {
    const float usage = UsagePercent(m_controls.标签22.caption(), m_controls.标签5.caption());
    m_state.MemoryUsagePercent = usage;
    if (m_controls.单选框4.checked()) {
        applyThresholdStrategy(usage);
        return;
    }
    if (m_controls.单选框3.checked()) {
        applyIntervalStrategy();
        return;
    }
    m_controls.时钟3.setPeriod(periodOf(kWatchingPeriod));
}

void StrategyScheduler::applyThresholdStrategy(float usage) {
    m_controls.编辑框1.setDisabled(true);
    m_controls.编辑框2.setDisabled(false);
    if (!ExceedsThreshold(usage, threshold())) {
        m_controls.时钟3.setPeriod(periodOf(kWatchingPeriod));
        return;
    }
    if (m_trimPass) m_trimPass();
    m_controls.时钟3.setPeriod(0);
    m_controls.时钟1.setPeriod(periodOf(kAfterCrossingPeriod));
}

void StrategyScheduler::applyIntervalStrategy() {
    m_controls.编辑框2.setDisabled(true);
    m_controls.编辑框1.setDisabled(false);
    const double minutes = TextToNumber(m_controls.编辑框1.text());
    m_controls.时钟1.setPeriod(IntervalPeriod(minutes));
}

void StrategyScheduler::OnRefreshTick() {
    if (m_refreshDashboard) m_refreshDashboard();
    if (!ExceedsThreshold(m_state.MemoryUsagePercent, threshold()))
        m_controls.时钟3.setPeriod(periodOf(kWatchingPeriod));
}

}  // namespace qv
