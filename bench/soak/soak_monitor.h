#pragma once

#include <memory>

#include "core/virtual_time.h"
#include "flaky_fakes.h"
#include "ui/controls.h"

namespace qv::soak {

/// The dashboard refresh with the real sampler on counters of the simulated
/// machine: its sleep passes virtual time and its processor query fails at
/// random.
class SoakDashboard {
public:
    SoakDashboard(VirtualEventLoop& loop, WanderingMemory& memory, Chance& chance, FaultCounts& faults);
    ~SoakDashboard();
    SoakDashboard(const SoakDashboard&) = delete;
    SoakDashboard& operator=(const SoakDashboard&) = delete;

    void refresh(MainWindowControls& controls);

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

}  // namespace qv::soak
