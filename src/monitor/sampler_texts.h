#pragma once

#include "core/text.h"

// Key and value names of the 9x family's dynamic-data statistics.

namespace qv {

inline constexpr TextView kStartStatKey = "PerfStats\\StartStat";
inline constexpr TextView kStatDataKey = "PerfStats\\StatData";
inline constexpr TextView kStopStatKey = "PerfStats\\StopStat";
inline constexpr TextView kCpuUsageValue = "KERNEL\\CPUUsage";

}  // namespace qv
