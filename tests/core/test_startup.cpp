#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "core/texts.h"
#include "fakes/virtual_framework.h"
#include "ui/plain_controls.h"

namespace qv {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using test::ProcessExit;
using test::VirtualFramework;

/// The whole start-up in virtual time, on the plain window model, with every
/// part of the creation handler recorded.
struct Startup : ::testing::Test {
    VirtualEventLoop loop;
    SharedState state;
    std::unique_ptr<PlainMainWindow> window;
    std::unique_ptr<Program> program;
    std::vector<std::string> steps;
    Program::Parts parts;
    int refreshTicks = 0;
    std::function<void()> onRefresh;  // what a refresh tick does besides counting

    std::unique_ptr<VirtualFramework> framework;
    std::unique_ptr<Application> application;

    void SetUp() override {
        parts.setAutostartBox = [this] { steps.push_back("autostart"); };
        parts.installSkin = [this](TextView name) {
            steps.push_back("skin " + std::string(name) + " watch " +
                            std::to_string(window->时钟3.period()));
        };
        parts.addTrayIcon = [this] { steps.push_back("tray"); };
        parts.refreshDashboard = [this] {
            steps.push_back("dashboard");
            loop.consume(milliseconds{800});  // the first processor sample
        };
        parts.onRefreshTick = [this] {
            ++refreshTicks;
            if (onRefresh) onRefresh();
        };
        framework = std::make_unique<VirtualFramework>(
            loop,
            [this] {
                window = std::make_unique<PlainMainWindow>(loop.makeTimerBackend(),
                                                           loop.makeTimerBackend(),
                                                           loop.makeTimerBackend());
                window->window.setVisible(true);  // so that hiding is seen
                program = std::make_unique<Program>(*application, window->controls(), parts);
                program->bindTimers();
                program->OnMainWindowCreated();
            },
            seconds{60});
        application = std::make_unique<Application>(*framework, state);
    }
};

TEST_F(Startup, CreationHandlerRunsItsStepsInOrder) {
    onRefresh = [this] { framework->requestQuit(); };
    ASSERT_EQ(application->run(), 0);

    EXPECT_EQ(framework->events,
              (std::vector<std::string>{"initialise", "load", "loop", "loop ended"}));
    const std::string skinStep = "skin " + std::string(texts::kSkinModuleName) + " watch 500";
    EXPECT_EQ(steps, (std::vector<std::string>{"autostart", skinStep, "tray", "dashboard"}));
    EXPECT_FALSE(window->window.visible());
    EXPECT_TRUE(window->单选框3.checked());
    EXPECT_FALSE(window->单选框4.checked());
    EXPECT_EQ(window->标签4.caption(), texts::kStartupStatus);
    EXPECT_EQ(window->时钟2.period(), 1000);
    EXPECT_EQ(window->时钟1.period(), 0);
}

TEST_F(Startup, SharedStateIsZeroBeforeTheFirstPass) {
    parts.refreshDashboard = [this] {
        ASSERT_TRUE(state.allocated());
        EXPECT_EQ(state.ProcessIdBytes, 0);
        for (auto id : *state.ProcessIdTable) ASSERT_EQ(id, 0u);
        EXPECT_EQ(state.memoryStatus->dwLength, 0u);
    };
    onRefresh = [this] { framework->requestQuit(); };
    EXPECT_EQ(application->run(), 0);
}

TEST_F(Startup, FirstTicksWaitForTheLoop) {
    std::vector<long long> refreshAt;
    onRefresh = [&] {
        refreshAt.push_back(loop.now().count());
        if (refreshAt.size() == 2) framework->requestQuit();
    };
    application->run();
    // the creation handler took 800 ms; the refresh timer counts from creation
    EXPECT_EQ(refreshAt, (std::vector<long long>{1000, 2000}));
}

TEST_F(Startup, DestroyingTheWindowEndsWithZeroAndReleasesOnce) {
    onRefresh = [this] {
        if (refreshTicks == 3) framework->requestQuit();
    };
    EXPECT_EQ(application->run(), kExitOrderly);
    EXPECT_EQ(state.releaseCount, 1u);
    EXPECT_FALSE(state.allocated());
    const auto ticksAtEnd = loop.ticksDelivered();
    EXPECT_EQ(refreshTicks, 3);
    EXPECT_EQ(loop.ticksDelivered(), ticksAtEnd);
}

TEST_F(Startup, ExitCommandEndsAtOnceWithZeroAndReleasesOnce) {
    int libraryReleases = 0;
    onRefresh = [&] {
        if (refreshTicks != 2) return;
        application->addLibraryRelease([&] { ++libraryReleases; });
        application->endNow();
    };
    try {
        application->run();
        FAIL() << "the exit command returned";
    } catch (const ProcessExit& exit) {
        EXPECT_EQ(exit.code, kExitOrderly);
    }
    EXPECT_EQ(state.releaseCount, 1u);
    EXPECT_EQ(libraryReleases, 1);
    EXPECT_EQ(refreshTicks, 2);
}

TEST_F(Startup, FatalErrorExitsMinusOneWithoutTheCleanUp) {
    parts.installSkin = [this](TextView) { application->fatal("JiaH.dll: SkinH_Attach"); };
    try {
        application->run();
        FAIL() << "a fatal error returned";
    } catch (const ProcessExit& exit) {
        EXPECT_EQ(exit.code, kExitFatal);
    }
    ASSERT_EQ(framework->fatalMessages.size(), 1u);
    EXPECT_EQ(framework->fatalMessages[0], "JiaH.dll: SkinH_Attach");
    EXPECT_EQ(state.releaseCount, 0u);
    EXPECT_TRUE(state.allocated());
    EXPECT_EQ(refreshTicks, 0);
}

TEST_F(Startup, FloatingPointEnvironmentIsReset) {
    std::fesetround(FE_UPWARD);
    double quotient = 1.0;
    onRefresh = [&] {
        volatile double zero = 0.0;
        quotient = 1.0 / zero;
        EXPECT_EQ(std::fegetround(), FE_TONEAREST);
        framework->requestQuit();
    };
    application->run();
    EXPECT_TRUE(std::isinf(quotient));
}

}  // namespace
}  // namespace qv
