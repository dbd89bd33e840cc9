#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/virtual_time.h"
#include "optimize/strategy.h"
#include "ui/plain_controls.h"

namespace qv {
namespace {

using std::chrono::milliseconds;

/// The scheduler on the plain window in virtual time, started as the creation
/// handler leaves it: watch timer at 500 ms, interval strategy selected, the
/// dashboard filled. The dashboard shows `usedPercent` of 1000 MB.
struct Scheduler : ::testing::Test {
    VirtualEventLoop loop;
    SharedState state;
    PlainMainWindow window{loop.makeTimerBackend(), loop.makeTimerBackend(), loop.makeTimerBackend()};
    std::vector<std::int64_t> passTimes;
    int usedPercent = 30;
    StrategyScheduler scheduler{state, window.controls(), [this] { recordPass(); },
                                [this] { refreshDashboard(); }};

    void SetUp() override {
        AllocateSharedState(state);
        window.时钟1.setTickHandler([this] { recordPass(); });
        window.时钟2.setTickHandler([this] { scheduler.OnRefreshTick(); });
        window.时钟3.setTickHandler([this] { scheduler.EvaluateStrategy(); });
        window.时钟3.setPeriod(500);
        refreshDashboard();
        window.单选框3.setChecked(true);
        window.单选框4.setChecked(false);
    }

    void recordPass() { passTimes.push_back(loop.now().count()); }
    void refreshDashboard() {
        window.标签22.setCaption(std::to_string(usedPercent * 10) + "  M");
        window.标签5.setCaption("1000  M");
    }
    void selectThreshold() {
        window.单选框3.setChecked(false);
        window.单选框4.setChecked(true);
    }
    void selectInterval() {
        window.单选框4.setChecked(false);
        window.单选框3.setChecked(true);
    }
    void run(std::int64_t ms) { loop.runFor(milliseconds{ms}); }
    /// A crossing at the first watch tick: usage 55 over threshold 40.
    void cross() {
        selectThreshold();
        usedPercent = 55;
        refreshDashboard();
        run(500);
        ASSERT_EQ(passTimes.size(), 1u);
    }
};

TEST_F(Scheduler, FirstPassComesFiveMinutesAfterTheFirstWatchTick) {
    run(500);
    EXPECT_EQ(window.时钟1.period(), 300000);
    EXPECT_FALSE(window.编辑框1.disabled());
    EXPECT_TRUE(window.编辑框2.disabled());
    run(300000 - 1);
    EXPECT_TRUE(passTimes.empty());
    run(600000 + 1);
    EXPECT_EQ(passTimes, (std::vector<std::int64_t>{300500, 600500, 900500}));
}

TEST_F(Scheduler, EachNewIntervalRestartsTheCountdownAndTheSameOneDoesNot) {
    run(10000);
    window.编辑框1.setText("1");
    run(500);  // applied at the watch tick at 10500
    EXPECT_EQ(window.时钟1.period(), 60000);
    window.编辑框1.setText("10");
    run(500);  // applied at 11000
    EXPECT_EQ(window.时钟1.period(), 600000);
    run(300000);
    window.编辑框1.setText("10");  // typed again: nothing restarts
    run(400000);
    EXPECT_EQ(passTimes, (std::vector<std::int64_t>{611000}));
}

TEST_F(Scheduler, UsageEqualToTheThresholdDoesNotCrossAndOneMoreDoes) {
    selectThreshold();
    usedPercent = 40;
    run(5000);
    EXPECT_TRUE(passTimes.empty());
    EXPECT_EQ(window.时钟3.period(), 500);
    EXPECT_TRUE(window.编辑框1.disabled());
    EXPECT_FALSE(window.编辑框2.disabled());

    usedPercent = 41;
    refreshDashboard();
    run(500);
    ASSERT_EQ(passTimes.size(), 1u);
    EXPECT_EQ(window.时钟3.period(), 0);
    EXPECT_EQ(window.时钟1.period(), 180000);
    EXPECT_FLOAT_EQ(state.MemoryUsagePercent, 41.0f);
    const std::int64_t crossedAt = passTimes[0];
    run(360000);
    EXPECT_EQ(passTimes, (std::vector<std::int64_t>{crossedAt, crossedAt + 180000, crossedAt + 360000}));
}

TEST_F(Scheduler, StaysSuspendedUntilTheThresholdIsRaisedToTheKeptFigure) {
    cross();
    usedPercent = 10;  // real usage falls, the kept figure does not
    run(20000);
    EXPECT_EQ(window.标签22.caption(), "100  M");  // the dashboard goes on refreshing
    EXPECT_EQ(window.时钟3.period(), 0);
    EXPECT_FLOAT_EQ(state.MemoryUsagePercent, 55.0f);

    window.编辑框2.setText("54");
    run(2000);
    EXPECT_EQ(window.时钟3.period(), 0);
    window.编辑框2.setText("55");
    run(1000);
    EXPECT_EQ(window.时钟3.period(), 500);
    run(500);
    EXPECT_FLOAT_EQ(state.MemoryUsagePercent, 10.0f);
    EXPECT_EQ(passTimes.size(), 1u);
}

TEST_F(Scheduler, SwitchingStrategyWhileSuspendedChangesNothing) {
    cross();
    selectInterval();
    window.编辑框1.setText("1");
    run(60000);
    EXPECT_TRUE(window.编辑框1.disabled());
    EXPECT_FALSE(window.编辑框2.disabled());
    EXPECT_EQ(window.时钟1.period(), 180000);
    EXPECT_EQ(window.时钟3.period(), 0);
    EXPECT_EQ(passTimes.size(), 1u);
}

TEST_F(Scheduler, SwitchingToThresholdKeepsTheIntervalPeriodRunning) {
    run(500);
    selectThreshold();
    run(300000);
    EXPECT_EQ(window.时钟1.period(), 300000);
    EXPECT_EQ(passTimes, (std::vector<std::int64_t>{300500}));
}

TEST_F(Scheduler, NeitherStrategySelectedKeepsWatching) {
    window.单选框3.setChecked(false);
    window.时钟3.setPeriod(0);
    scheduler.EvaluateStrategy();
    EXPECT_EQ(window.时钟3.period(), 500);
    EXPECT_EQ(window.时钟1.period(), 0);
}

struct IntervalCase {
    const char* text;
    std::int32_t period;
};

TEST_F(Scheduler, EveryIntervalTextGivesItsDefinedPeriod) {
    const IntervalCase cases[] = {
        {"5", 300000},
        {"abc", 0},
        {"", 0},
        {"0.5", 30000},
        {"\xa3\xb0\xa3\xae\xa3\xb5", 30000},  // "０．５"
        {"\xa3\xb3", 180000},                 // "３"
        {"\xd4\xbc" "30", 0},                 // "约30"
        {"  2 min", 120000},
        {"0.00001", 0},
        {"-2", 0},
        {"1e3", 60000000},
        {"35792", 0},           // the low 32 bits are negative: stopped
        {"71583", 12704},       // wrapped
        {"100000000", 0},       // -69312512 after wrapping: stopped
        {"1e300", 0},           // beyond 64 bits
        {"1e999", 0},           // infinite
        {"\xa3", 0},            // a lone lead byte
        {"99999999999999999999999999999999999999999999", 0},
    };
    for (const IntervalCase& c : cases) {
        window.时钟1.setPeriod(1);
        window.编辑框1.setText(c.text);
        scheduler.EvaluateStrategy();
        EXPECT_EQ(window.时钟1.period(), c.period) << "interval text \"" << c.text << "\"";
    }
}

struct ThresholdCase {
    int usedPercent;
    const char* text;
    bool crosses;
};

TEST_F(Scheduler, EveryThresholdTextGivesItsDefinedCrossing) {
    const ThresholdCase cases[] = {
        {40, "40", false},
        {41, "40", true},
        {40, "\xa3\xb4\xa3\xb0", false},  // "４０"
        {41, "\xa3\xb4\xa3\xb0", true},
        {1, "abc", true},     // reads as 0
        {0, "abc", false},
        {50, "-5", true},
        {100, "1e999", false},
        {100, "99.5", true},
        {99, "99.5", false},
    };
    selectThreshold();
    for (const ThresholdCase& c : cases) {
        passTimes.clear();
        window.时钟3.setPeriod(500);
        usedPercent = c.usedPercent;
        refreshDashboard();
        window.编辑框2.setText(c.text);
        scheduler.EvaluateStrategy();
        EXPECT_EQ(passTimes.size(), c.crosses ? 1u : 0u) << c.usedPercent << " vs \"" << c.text << "\"";
        EXPECT_EQ(window.时钟3.period(), c.crosses ? 0 : 500);
    }
}

TEST(UsagePercent, ReadsTheCaptionsAndRoundsToAWholeNumber) {
    struct Case {
        const char* used;
        const char* total;
        float percent;
    };
    const Case cases[] = {
        {"1536  M", "2047  M", 75.0f},
        {"1023  M", "2047  M", 50.0f},   // 49.98 rounds up
        {"1022  M", "2046  M", 50.0f},   // 49.95 rounds up
        {"1  M", "3  M", 33.0f},
        {"", "2047  M", 0.0f},
    };
    for (const Case& c : cases) EXPECT_FLOAT_EQ(UsagePercent(c.used, c.total), c.percent) << c.used;
}

TEST(UsagePercent, TotalReadingZeroGivesNonFiniteFigures) {
    EXPECT_TRUE(std::isinf(UsagePercent("5  M", "  M")));
    EXPECT_TRUE(ExceedsThreshold(UsagePercent("5  M", "  M"), 1e300));
    EXPECT_TRUE(std::isnan(UsagePercent("0  M", "0  M")));
    EXPECT_FALSE(ExceedsThreshold(UsagePercent("0  M", "0  M"), -1e300));
}

TEST(ExceedsThreshold, NeedsMoreThanTheMargin) {
    EXPECT_FALSE(ExceedsThreshold(40.0f, 40.0));
    EXPECT_FALSE(ExceedsThreshold(40.0f, 40.0 - 0.5e-7));
    EXPECT_TRUE(ExceedsThreshold(40.0f, 40.0 - 2e-7));
}

}  // namespace
}  // namespace qv
