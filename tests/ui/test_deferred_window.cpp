#include <gtest/gtest.h>

#include <memory>

#include "core/timer_queue.h"
#include "ui/deferred_window.h"
#include "ui/plain_controls.h"

namespace qv {
namespace {

/// A deferred window whose "real" window is a second set of in-memory
/// controls, so every property the handlers use can be watched on both sides.
struct DeferredFixture : ::testing::Test {
    TimerQueue queue{[] { return TimerQueue::TimePoint{0}; }};
    std::unique_ptr<PlainMainWindow> real;
    int builds = 0;
    Timer* timerGiven = nullptr;
    DeferredMainWindow deferred{queue.makeTimerBackend(), queue.makeTimerBackend(),
                                queue.makeTimerBackend(), [this](WindowTimers timers) {
                                    ++builds;
                                    timerGiven = &timers.时钟2;
                                    real = std::make_unique<PlainMainWindow>(
                                        queue.makeTimerBackend(), queue.makeTimerBackend(),
                                        queue.makeTimerBackend());
                                    MainWindowControls live = real->controls();
                                    return MainWindowControls{
                                        live.window,  live.标签13, live.标签15, live.标签5,
                                        live.标签22,  live.标签24, live.标签26, live.CPU占用图,
                                        live.内存占用图, live.单选框3, live.单选框4, live.编辑框1,
                                        live.编辑框2, live.标签4, live.选择框3, timers.时钟1,
                                        timers.时钟2, timers.时钟3};
                                }};
};

TEST_F(DeferredFixture, HiddenItKeepsEveryPropertyInMemoryAndMakesNoWindow) {
    MainWindowControls c = deferred.controls();
    EXPECT_EQ(c.编辑框1.text(), "5") << "template texts";
    EXPECT_EQ(c.编辑框2.text(), "40");
    EXPECT_EQ(c.标签13.caption(), "100%");
    EXPECT_EQ(c.时钟2.period(), kRefreshTimerTemplatePeriod);
    EXPECT_TRUE(c.时钟2.running()) << "the refresh timer runs without a window";

    c.标签22.setCaption("812MB");
    c.编辑框2.setDisabled(true);
    c.单选框4.setChecked(true);
    c.内存占用图.setValue(-3);
    EXPECT_EQ(c.标签22.caption(), "812MB");
    EXPECT_TRUE(c.编辑框2.disabled());
    EXPECT_TRUE(c.单选框4.checked());
    EXPECT_EQ(c.内存占用图.value(), 0.0) << "clamped as every chart stores it";

    c.window.setVisible(false);
    c.window.setPosition(1);
    EXPECT_FALSE(c.window.visible());
    EXPECT_EQ(c.window.position(), 0);
    EXPECT_EQ(builds, 0) << "hiding or placing a hidden window makes nothing";
}

TEST_F(DeferredFixture, TheFirstShowingMakesTheWindowOnceWithTheValuesLeftInMemory) {
    MainWindowControls c = deferred.controls();
    c.标签4.setCaption("status");
    c.编辑框1.setText("12");
    c.编辑框1.setDisabled(true);
    c.选择框3.setChecked(true);
    c.CPU占用图.setValue(37.5);

    c.window.setVisible(true);
    ASSERT_EQ(builds, 1);
    EXPECT_EQ(timerGiven, &c.时钟2) << "the window is made on the timers that already run";
    EXPECT_TRUE(real->window.visible());
    EXPECT_EQ(real->标签4.caption(), "status");
    EXPECT_EQ(real->编辑框1.text(), "12");
    EXPECT_TRUE(real->编辑框1.disabled());
    EXPECT_TRUE(real->选择框3.checked());
    EXPECT_FALSE(real->单选框3.checked());
    EXPECT_EQ(real->CPU占用图.value(), 37.5);

    // What the user does in the real window is what the handlers read now.
    real->编辑框2.setText("75");
    real->单选框3.setChecked(true);
    EXPECT_EQ(c.编辑框2.text(), "75");
    EXPECT_TRUE(c.单选框3.checked());
    c.标签15.setCaption("41%");
    EXPECT_EQ(real->标签15.caption(), "41%");

    c.window.setPosition(2);
    EXPECT_EQ(c.window.position(), 2) << "Position reaches the real window";
    c.window.setVisible(false);
    c.window.setVisible(true);
    deferred.build();
    EXPECT_EQ(builds, 1);
    EXPECT_TRUE(c.window.visible());
}

}  // namespace
}  // namespace qv
