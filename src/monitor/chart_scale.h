#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"

// The arithmetic of a one-bar chart, kept apart from the toolkit that draws
// it: the labels of the Y axis steps, the share of the plot the bar fills and
// the value text.

namespace qv {

inline constexpr double kChartMaxValueLimit = 10'000'000.0;
inline constexpr int kChartMinDivisions = 1;
inline constexpr int kChartMaxDivisions = 100;
inline constexpr int kChartMaxDecimals = 10;

/// Labels of the Y axis from the origin up: 0, then trunc(k × max ÷ divisions
/// + 0.5) for k = 1 .. divisions.
std::vector<std::int64_t> ChartStepLabels(double maxValue, int divisions);

/// The bar's share of the plot height, 0..1; at or above the top it is full.
double ChartBarFraction(double value, double maxValue);

/// Fixed point with exactly `decimals` digits, no point when there are none.
Text ChartValueText(double value, int decimals);

/// Every "${v}" of the tip template replaced by the value text.
std::string ChartTipText(std::string_view tipTemplate, std::string_view valueText);

}  // namespace qv
