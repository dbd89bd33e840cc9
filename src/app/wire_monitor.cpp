#include "app/wiring.h"
#include "monitor/dashboard.h"
#include "platform/counters.h"

namespace qv {

void wireMonitor(Wiring& wiring) {
    auto& counters = *wiring.own<std::unique_ptr<platform::Counters>>(platform::makeSystemCounters());
    auto& sampler = wiring.own<Sampler>(counters);
    wiring.parts.refreshDashboard = [controls = wiring.controls, &sampler]() mutable {
        RefreshDashboard(controls, sampler);
    };
}

}  // namespace qv
