#include <gtest/gtest.h>

#include "core/virtual_time.h"
#include "fake_counters.h"
#include "monitor/dashboard.h"
#include "ui/plain_controls.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using test::FakeCounters;
using test::kMiB;

constexpr std::int64_t kSecond = 10'000'000;

/// A label whose caption reads back as a fixed text, whatever was written.
class FixedReadLabel final : public LabelControl {
public:
    explicit FixedReadLabel(Text readBack) : m_readBack(std::move(readBack)) {}
    Text caption() const override { return m_readBack; }
    void setCaption(const Text& caption) override { written = caption; }
    Text written;

private:
    Text m_readBack;
};

class Dashboard : public ::testing::Test {
protected:
    Dashboard()
        : window(loop.makeTimerBackend(), loop.makeTimerBackend(), loop.makeTimerBackend()),
          controls(window.controls()) {
        counters.loop = &loop;
    }

    /// Memory in MB; the processor busy for `busyPercent` of the wait.
    void setFigures(std::uint64_t totalMb, std::uint64_t availMb, int busyPercent,
                    std::uint64_t totalVirtualMb = 2047, std::uint64_t availVirtualMb = 1983) {
        platform::MEMORYSTATUSEX record;
        record.ullTotalPhys = totalMb * kMiB;
        record.ullAvailPhys = availMb * kMiB + kMiB / 2;  // truncated away
        record.ullTotalVirtual = totalVirtualMb * kMiB;
        record.ullAvailVirtual = availVirtualMb * kMiB;
        counters.extendedRecords = {record};
        counters.processors = 1;
        const std::int64_t idle = kSecond * (100 - busyPercent) / 100;
        counters.samples = {{5000, 0}, {5000 + idle, kSecond}};
    }

    VirtualEventLoop loop;
    PlainMainWindow window;
    MainWindowControls controls;
    FakeCounters counters;
};

TEST_F(Dashboard, CaptionsAndBars) {
    struct Case {
        const char* name;
        std::uint64_t total, avail;
        int busy;
        Text cpu, physTotal, physUsed, percent;
        double cpuBar, memoryBar;
    };
    const Case cases[] = {
        {"typical", 2047, 511, 45, "45 %", "2047  M", "1536  M", "75 %", 45, 1536},
        {"idle", 2047, 2047, 0, "0 %", "2047  M", "0  M", "0 %", 0, 0},
        {"busy, memory above the chart's top", 8192, 4192, 100, "100 %", "8192  M", "4000  M", "49 %",
         100, 4000},
        {"nothing free", 3072, 0, 50, "50 %", "3072  M", "3072  M", "100 %", 50, 3072},
    };
    for (const auto& c : cases) {
        FakeCounters fresh;
        counters = fresh;
        setFigures(c.total, c.avail, c.busy);
        Sampler sampler(counters);
        RefreshDashboard(controls, sampler);
        EXPECT_EQ(window.标签13.caption(), c.cpu) << c.name;
        EXPECT_EQ(window.标签5.caption(), c.physTotal) << c.name;
        EXPECT_EQ(window.标签22.caption(), c.physUsed) << c.name;
        EXPECT_EQ(window.标签15.caption(), c.percent) << c.name;
        EXPECT_EQ(window.标签24.caption(), "2047  M") << c.name;
        EXPECT_EQ(window.标签26.caption(), "64  M") << c.name;
        EXPECT_EQ(window.CPU占用图.value(), c.cpuBar) << c.name;
        EXPECT_EQ(window.内存占用图.value(), c.memoryBar) << c.name;
    }
}

TEST_F(Dashboard, UnreadableProcessorShowsMinusOneAndAnEmptyBar) {
    setFigures(2047, 511, 0);
    counters.hasNtQuery = false;
    Sampler sampler(counters);
    RefreshDashboard(controls, sampler);
    EXPECT_EQ(window.标签13.caption(), "-1 %");
    EXPECT_EQ(window.CPU占用图.value(), 0.0);
}

TEST_F(Dashboard, ZeroTotalGivesTheNonFiniteText) {
    struct Case {
        std::uint64_t avail;
        Text percent;
    };
    // 0 ÷ 0 and a negative used figure ÷ 0
    const Case cases[] = {{0, "-1.#IND %"}, {10, "-1.#INF %"}};
    for (const auto& c : cases) {
        FakeCounters fresh;
        counters = fresh;
        setFigures(0, c.avail, 0);
        Sampler sampler(counters);
        RefreshDashboard(controls, sampler);
        EXPECT_EQ(window.标签5.caption(), "0  M");
        EXPECT_EQ(window.标签15.caption(), c.percent);
    }
}

TEST_F(Dashboard, TotalsComeFromQueriesOfTheirOwn) {
    // every extended call reports a larger machine than the one before
    counters.extendedRecords.clear();
    for (std::uint64_t call = 0; call < 6; ++call) {
        platform::MEMORYSTATUSEX record;
        record.ullTotalPhys = (2000 + call) * kMiB;
        record.ullAvailPhys = 1000 * kMiB;
        record.ullTotalVirtual = (3000 + call) * kMiB;
        record.ullAvailVirtual = 2900 * kMiB;
        counters.extendedRecords.push_back(record);
    }
    counters.samples = {{5000, 0}, {5000 + kSecond, kSecond}};
    Sampler sampler(counters);
    RefreshDashboard(controls, sampler);
    EXPECT_EQ(counters.extendedLengths.size(), 6u);
    EXPECT_EQ(window.标签5.caption(), "2004  M") << "the fifth query";
    EXPECT_EQ(window.标签22.caption(), "1000  M") << "the first two queries";
    EXPECT_EQ(window.标签24.caption(), "3005  M") << "the sixth query";
    EXPECT_EQ(window.标签26.caption(), "102  M") << "the third and fourth queries";
    EXPECT_EQ(window.标签15.caption(), "50 %") << "1000 of the 2004 on screen";
}

TEST_F(Dashboard, PercentageAndBarsAreReadBackFromTheCaptions) {
    setFigures(2047, 511, 45);
    FixedReadLabel used("1000  M");
    FixedReadLabel cpu("  7 %");
    MainWindowControls tampered{controls.window, cpu,          controls.标签15, controls.标签5,
                                used,            controls.标签24, controls.标签26, controls.CPU占用图,
                                controls.内存占用图, controls.单选框3, controls.单选框4, controls.编辑框1,
                                controls.编辑框2, controls.标签4,   controls.选择框3, controls.时钟1,
                                controls.时钟2,   controls.时钟3};
    Sampler sampler(counters);
    RefreshDashboard(tampered, sampler);
    EXPECT_EQ(used.written, "1536  M");
    EXPECT_EQ(cpu.written, "45 %");
    EXPECT_EQ(window.标签15.caption(), "49 %");  // 1000 ÷ 2047
    EXPECT_EQ(window.内存占用图.value(), 1000.0);
    EXPECT_EQ(window.CPU占用图.value(), 7.0);
}

TEST_F(Dashboard, OnlyTheFirstRefreshWaitsForTheProcessorSample) {
    setFigures(2047, 511, 45);
    counters.samples.push_back({counters.samples.back().idleTime + kSecond, 2 * kSecond});
    Sampler sampler(counters);
    RefreshDashboard(controls, sampler);
    EXPECT_EQ(loop.now(), 800ms);
    RefreshDashboard(controls, sampler);
    EXPECT_EQ(loop.now(), 800ms);
    EXPECT_EQ(window.标签13.caption(), "0 %");
}

}  // namespace
}  // namespace qv
