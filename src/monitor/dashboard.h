#pragma once

#include "monitor/sampler.h"
#include "ui/controls.h"

namespace qv {

/// Brings the six figure captions and the two chart bars up to date. The
/// percentage and the bars are read back from the captions just written, so
/// that they always agree with the figures on screen.
void RefreshDashboard(MainWindowControls& controls, Sampler& sampler);

}  // namespace qv
