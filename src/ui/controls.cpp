#include "ui/controls.h"

#include <cmath>

namespace qv {

double ClampChartValue(double value) {
    constexpr double kMaxChartValue = 10'000'000.0;
    if (std::isnan(value) || value < 0.0) return 0.0;
    if (value > kMaxChartValue) return kMaxChartValue;
    return value;
}

}  // namespace qv
