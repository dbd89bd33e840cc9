#include "monitor/chart_scale.h"

#include <algorithm>
#include <cmath>
#include <charconv>

namespace qv {

std::vector<std::int64_t> ChartStepLabels(double maxValue, int divisions) {
    divisions = std::clamp(divisions, kChartMinDivisions, kChartMaxDivisions);
    std::vector<std::int64_t> labels{0};
    for (int k = 1; k <= divisions; ++k) {
        labels.push_back(static_cast<std::int64_t>(k * maxValue / divisions + 0.5));
    }
    return labels;
}

double ChartBarFraction(double value, double maxValue) {
    if (!(value < maxValue)) return 1.0;
    if (!(value > 0.0)) return 0.0;
    return value / maxValue;
}

Text ChartValueText(double value, int decimals) {
    decimals = std::clamp(decimals, 0, kChartMaxDecimals);
    if (value == 0.0) value = 0.0;  // no "-0"
    char buffer[400];  // room for any double in fixed point
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return Text(buffer, result.ptr);
}

std::string ChartTipText(std::string_view tipTemplate, std::string_view valueText) {
    constexpr std::string_view kPlaceholder = "${v}";
    std::string tip;
    std::size_t from = 0;
    for (auto at = tipTemplate.find(kPlaceholder); at != std::string_view::npos;
         at = tipTemplate.find(kPlaceholder, from)) {
        tip.append(tipTemplate.substr(from, at - from)).append(valueText);
        from = at + kPlaceholder.size();
    }
    return tip.append(tipTemplate.substr(from));
}

}  // namespace qv
