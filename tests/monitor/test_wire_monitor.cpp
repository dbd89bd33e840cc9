#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/wiring.h"
#include "core/conversions.h"
#include "fakes/virtual_framework.h"
#include "ui/plain_controls.h"

namespace qv {
namespace {

class SilentShell final : public platform::Shell {
public:
    void showMessageBox(const Text&, const Text&) override {}
    void openUrl(const Text&) override {}
};

std::int64_t memTotalMegabytes() {
    std::ifstream file("/proc/meminfo");
    std::string name;
    std::int64_t kib = 0;
    file >> name >> kib;
    return kib / 1024;
}

bool endsWith(const Text& text, TextView suffix) { return text.size() >= suffix.size() && text.ends_with(suffix); }

TEST(WireMonitor, RefreshRunsOnTheWindowWithThisMachinesCounters) {
    VirtualEventLoop loop;
    test::VirtualFramework framework(loop, [] {}, std::chrono::milliseconds{0});
    SharedState state;
    Application application(framework, state);
    PlainMainWindow window(loop.makeTimerBackend(), loop.makeTimerBackend(), loop.makeTimerBackend());
    SilentShell shell;
    Wiring wiring(application, window.controls(), shell);

    wireMonitor(wiring);
    ASSERT_TRUE(wiring.parts.refreshDashboard);
    wiring.parts.refreshDashboard();

    EXPECT_EQ(window.标签5.caption(), NumberToText(static_cast<std::int32_t>(memTotalMegabytes())) + "  M");
    for (const auto* label : {&window.标签22, &window.标签24, &window.标签26}) {
        EXPECT_TRUE(endsWith(label->caption(), "  M")) << label->caption();
        EXPECT_GT(TextToNumber(label->caption()), 0.0) << label->caption();
    }
    const auto cpu = TextToInteger(window.标签13.caption());
    EXPECT_TRUE(endsWith(window.标签13.caption(), " %"));
    EXPECT_GE(cpu, 0);
    EXPECT_LE(cpu, 100);
    EXPECT_TRUE(endsWith(window.标签15.caption(), " %"));
    EXPECT_EQ(window.CPU占用图.value(), cpu);
    EXPECT_EQ(window.内存占用图.value(), TextToInteger(window.标签22.caption()));
}

}  // namespace
}  // namespace qv
