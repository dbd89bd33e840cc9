#include <gtest/gtest.h>

#include "app/wiring.h"
#include "core/virtual_time.h"
#include "fakes/virtual_framework.h"
#include "ui/plain_controls.h"

namespace qv {
namespace {

struct SilentShell final : platform::Shell {
    void showMessageBox(const Text&, const Text&) override {}
    void openUrl(const Text&) override {}
};

/// The optimiser's handlers as the front ends wire them. The trim pass itself
/// is not run here: it would trim every process on the machine.
struct WireOptimize : ::testing::Test {
    VirtualEventLoop loop;
    SharedState state;
    test::VirtualFramework framework{loop, [] {}, std::chrono::seconds{1}};
    Application application{framework, state};
    PlainMainWindow window{loop.makeTimerBackend(), loop.makeTimerBackend(), loop.makeTimerBackend()};
    SilentShell shell;
    Wiring wiring{application, window.controls(), shell};
    int refreshes = 0;
};

TEST_F(WireOptimize, FillsTheThreeHandlers) {
    wireOptimize(wiring);
    EXPECT_TRUE(wiring.parts.trimPass);
    EXPECT_TRUE(wiring.parts.evaluateStrategy);
    EXPECT_TRUE(wiring.parts.onRefreshTick);
}

TEST_F(WireOptimize, RefreshTickRefreshesTheDashboardWiredBeforeOrAfter) {
    wireOptimize(wiring);
    window.时钟3.setPeriod(0);
    wiring.parts.onRefreshTick();  // no dashboard wired: tolerated
    EXPECT_EQ(window.时钟3.period(), 500);

    wiring.parts.refreshDashboard = [this] { ++refreshes; };
    wiring.parts.onRefreshTick();
    EXPECT_EQ(refreshes, 1);
}

TEST_F(WireOptimize, WatchTickAppliesTheIntervalStrategy) {
    AllocateSharedState(state);
    wireOptimize(wiring);
    window.单选框3.setChecked(true);
    wiring.parts.evaluateStrategy();
    EXPECT_EQ(window.时钟1.period(), 300000);
    EXPECT_TRUE(window.编辑框2.disabled());
}

}  // namespace
}  // namespace qv
