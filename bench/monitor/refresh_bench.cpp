#include <benchmark/benchmark.h>

#include "core/virtual_time.h"
#include "monitor/dashboard.h"
#include "platform/counters.h"
#include "ui/plain_controls.h"

namespace {

/// The window's dashboard on plain controls and this machine's counters,
/// past the first processor sample.
struct RealDashboard {
    RealDashboard()
        : window(loop.makeTimerBackend(), loop.makeTimerBackend(), loop.makeTimerBackend()),
          controls(window.controls()),
          counters(qv::platform::makeSystemCounters()),
          sampler(*counters) {
        qv::RefreshDashboard(controls, sampler);  // takes the first-sample wait
    }

    qv::VirtualEventLoop loop;
    qv::PlainMainWindow window;
    qv::MainWindowControls controls;
    std::unique_ptr<qv::platform::Counters> counters;
    qv::Sampler sampler;
};

void RefreshDashboardOnRealCounters(benchmark::State& state) {
    RealDashboard dashboard;
    for (auto _ : state) {
        qv::RefreshDashboard(dashboard.controls, dashboard.sampler);
        benchmark::DoNotOptimize(dashboard.window.标签15.caption());
    }
}
BENCHMARK(RefreshDashboardOnRealCounters);

void QueryMemorySizeOnRealCounters(benchmark::State& state) {
    RealDashboard dashboard;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dashboard.sampler.QueryMemorySize(qv::MemorySizeKind::AvailVirtual));
    }
}
BENCHMARK(QueryMemorySizeOnRealCounters);

void QueryCpuUsageOnRealCounters(benchmark::State& state) {
    RealDashboard dashboard;
    for (auto _ : state) benchmark::DoNotOptimize(dashboard.sampler.QueryCpuUsage());
}
BENCHMARK(QueryCpuUsageOnRealCounters);

}  // namespace
