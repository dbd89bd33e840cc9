#include <gtest/gtest.h>

#include <vector>

#include "core/timer.h"
#include "core/virtual_time.h"

namespace qv {
namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;

struct TimerFixture : ::testing::Test {
    VirtualEventLoop loop;
    std::vector<long long> ticksAt;  // virtual milliseconds

    Timer make(std::int32_t templatePeriod) {
        Timer timer(loop.makeTimerBackend(), templatePeriod);
        return timer;
    }
    void record(Timer& timer) {
        timer.setTickHandler([this] { ticksAt.push_back(loop.now().count()); });
    }
};

TEST_F(TimerFixture, TemplatePeriodAboveZeroStartsAtCreation) {
    Timer refresh(loop.makeTimerBackend(), 1000);
    Timer stopped(loop.makeTimerBackend(), 0);
    record(refresh);
    stopped.setTickHandler([] { FAIL() << "a timer with period 0 ticked"; });
    loop.runFor(milliseconds{3500});
    EXPECT_EQ(ticksAt, (std::vector<long long>{1000, 2000, 3000}));
    EXPECT_FALSE(stopped.running());
}

TEST_F(TimerFixture, SettingTheSamePeriodKeepsTheCountdown) {
    Timer trim(loop.makeTimerBackend(), 0);
    record(trim);
    trim.setPeriod(300000);
    // the watch timer writes the same period every 500 ms
    for (int i = 0; i < 1000; ++i) {
        loop.runFor(milliseconds{500});
        trim.setPeriod(300000);
    }
    ASSERT_GE(ticksAt.size(), 1u);
    EXPECT_EQ(ticksAt[0], 300000);
}

TEST_F(TimerFixture, ANewPeriodRestartsTheCountdown) {
    Timer trim(loop.makeTimerBackend(), 0);
    record(trim);
    trim.setPeriod(60000);
    loop.runFor(milliseconds{30000});
    trim.setPeriod(600000);  // "1" on its way to "10"
    loop.runFor(minutes{11});
    ASSERT_EQ(ticksAt.size(), 1u);
    EXPECT_EQ(ticksAt[0], 30000 + 600000);
}

TEST_F(TimerFixture, ZeroAndNegativeStopAndStayStopped) {
    Timer t(loop.makeTimerBackend(), 500);
    record(t);
    t.setPeriod(-5);
    EXPECT_EQ(t.period(), 0);
    EXPECT_FALSE(t.running());
    t.setPeriod(0);
    loop.runFor(minutes{10});
    EXPECT_TRUE(ticksAt.empty());
}

TEST_F(TimerFixture, AtMostOneOverdueTickAfterALongHandler) {
    Timer refresh(loop.makeTimerBackend(), 1000);
    Timer watch(loop.makeTimerBackend(), 500);
    int watchTicks = 0;
    bool busyOnce = true;
    refresh.setTickHandler([&] {
        ticksAt.push_back(loop.now().count());
        if (busyOnce) {
            busyOnce = false;
            loop.consume(milliseconds{10'000});  // a long trim pass
        }
    });
    watch.setTickHandler([&] { ++watchTicks; });
    loop.runFor(milliseconds{999});
    const int before = watchTicks;
    loop.runFor(milliseconds{1});  // refresh at 1000 runs until 11000
    loop.runFor(milliseconds{1});
    // one overdue refresh tick right after the handler, not ten
    ASSERT_GE(ticksAt.size(), 2u);
    EXPECT_EQ(ticksAt[0], 1000);
    EXPECT_EQ(ticksAt[1], 11000);
    EXPECT_EQ(watchTicks - before, 1);
    loop.runFor(milliseconds{998});
    EXPECT_EQ(ticksAt.size(), 2u);  // next one back on the grid, at 12000
    loop.runFor(milliseconds{1});
    EXPECT_EQ(ticksAt.back(), 12000);
}

TEST_F(TimerFixture, StoppingInsideItsOwnHandlerEndsTheTicks) {
    Timer watch(loop.makeTimerBackend(), 500);
    watch.setTickHandler([&] {
        ticksAt.push_back(loop.now().count());
        watch.setPeriod(0);
    });
    loop.runFor(minutes{1});
    EXPECT_EQ(ticksAt, (std::vector<long long>{500}));
}

}  // namespace
}  // namespace qv
