#pragma once

#include "core/text.h"

// Suffixes of the dashboard's figure captions; the scheduler parses the
// memory captions back, so they are part of its input format.

namespace qv {

inline constexpr TextView kMegabyteSuffix = "  M";  // two blanks, capital M
inline constexpr TextView kPercentSuffix = " %";

}  // namespace qv
