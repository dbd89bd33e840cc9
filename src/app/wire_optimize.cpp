#include "app/external_functions.h"
#include "app/wiring.h"
#include "optimize/strategy.h"
#include "optimize/trim_pass.h"
#include "platform/processes.h"

namespace qv {

void wireOptimize(Wiring& wiring) {
    // The process functions are bound by name at the first pass, through the
    // same table as the skin engine's.
    auto& processes = wiring.own<BoundProcessApi>(SharedExternalFunctions(wiring).binder());
    auto& pass = wiring.own<TrimPass>(wiring.application.state(), processes, wiring.controls.标签4);
    // The dashboard refresh is looked up on every tick through the wiring, which
    // lives for the whole run, so the order in which the parts are wired does
    // not matter.
    auto& scheduler = wiring.own<StrategyScheduler>(
        wiring.application.state(), wiring.controls, [&pass] { pass.run(); },
        [&wiring] {
            if (wiring.parts.refreshDashboard) wiring.parts.refreshDashboard();
        });
    wiring.parts.trimPass = [&pass] { pass.run(); };
    wiring.parts.evaluateStrategy = [&scheduler] { scheduler.EvaluateStrategy(); };
    wiring.parts.onRefreshTick = [&scheduler] { scheduler.OnRefreshTick(); };
}

}  // namespace qv
