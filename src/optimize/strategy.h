#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "core/shared_state.h"
#include "core/text.h"
#include "ui/controls.h"

namespace qv {

/// Watch timer period while watching.
inline constexpr auto kWatchingPeriod = std::chrono::milliseconds{500};
/// Trim timer period after a threshold crossing: a pass every three minutes.
inline constexpr auto kAfterCrossingPeriod = std::chrono::milliseconds{180000};
/// Milliseconds per minute of the interval box.
inline constexpr double kMillisecondsPerMinute = 60000.0;
/// Usage exceeds the threshold only by more than this.
inline constexpr double kExceedMargin = 1e-7;

/// The usage percentage from the used and total physical-memory captions,
/// rounded to a whole number; infinite or not a number when the total reads 0.
float UsagePercent(TextView usedCaption, TextView totalCaption);

/// Whether `usage` lies above `threshold` by more than the margin; a
/// not-a-number usage never does.
bool ExceedsThreshold(float usage, double threshold);

/// The trim timer period for an interval in minutes: the low 32 bits of the
/// milliseconds, read as signed (so huge intervals wrap, negative stops).
std::int32_t IntervalPeriod(double minutes);

/// Decides when the trim pass runs: the watch timer's handler applies the
/// selected strategy, the refresh timer's handler resumes watching once the
/// kept usage figure no longer exceeds the threshold.
class StrategyScheduler {
public:
    StrategyScheduler(SharedState& state, MainWindowControls controls, std::function<void()> trimPass,
                      std::function<void()> refreshDashboard);

    /// The watch timer's tick.
    void EvaluateStrategy();
    /// The refresh timer's tick.
    void OnRefreshTick();

private:
    void applyThresholdStrategy(float usage);
    void applyIntervalStrategy();
    double threshold() const;

    SharedState& m_state;
    MainWindowControls m_controls;
    std::function<void()> m_trimPass;
    std::function<void()> m_refreshDashboard;
};

}  // namespace qv
