#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/plain_controls.h"
#include "ui/visibility.h"

namespace qv {
namespace {

TEST(CentredOrigin, TruncatesEachQuotientTowardZero) {
    struct Case {
        Size screen;
        Point expected;
    };
    const Case cases[] = {
        {{1024, 768}, {283, 256}},
        {{1025, 769}, {283, 256}},   // odd remainders dropped
        {{458, 256}, {0, 0}},
        {{400, 200}, {-29, -28}},    // larger than the screen
        {{401, 201}, {-28, -27}},    // toward zero, not down
    };
    for (const Case& c : cases) {
        EXPECT_EQ(centredOrigin(c.screen, kWindowOuterSize), c.expected)
            << c.screen.width << "x" << c.screen.height;
    }
}

/// A window whose state changes are recorded in order.
struct RecordingWindow final : WindowStateHost {
    bool isShown = true;
    bool isMinimised = false;
    bool isMaximised = false;
    std::vector<std::string> calls;

    bool shown() const override { return isShown; }
    bool minimised() const override { return isMinimised; }
    bool maximised() const override { return isMaximised; }
    void showNormal() override { calls.push_back("normal"); }
    void showMinimised() override { calls.push_back("minimise"); }
    void showMaximised() override { calls.push_back("maximise"); }
    void centre() override { calls.push_back("centre"); }
};

TEST(WritePosition, AppliesTheClampedStateOnlyWhileShown) {
    struct Case {
        const char* name;
        bool shown, minimised, maximised;
        std::int32_t position;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"hidden ignores restore", false, true, false, 1, {}},
        {"hidden ignores minimise", false, false, false, 2, {}},
        {"normal", true, true, false, 0, {"normal"}},
        {"restore from minimised", true, true, false, 1, {"normal", "centre"}},
        {"restore from maximised", true, false, true, 1, {"normal", "centre"}},
        {"normal window is only centred", true, false, false, 1, {"centre"}},
        {"minimise", true, false, false, 2, {"minimise"}},
        {"maximise", true, false, false, 3, {"maximise"}},
        {"below range is normal", true, false, false, -7, {"normal"}},
        {"above range is maximise", true, false, false, 99, {"maximise"}},
    };
    for (const Case& c : cases) {
        RecordingWindow window;
        window.isShown = c.shown;
        window.isMinimised = c.minimised;
        window.isMaximised = c.maximised;
        writePosition(window, c.position);
        EXPECT_EQ(window.calls, c.expected) << c.name;
    }
}

TEST(ReadPosition, MinimisedWinsOverMaximised) {
    RecordingWindow window;
    EXPECT_EQ(readPosition(window), kPositionNormal);
    window.isMaximised = true;
    EXPECT_EQ(readPosition(window), kPositionMaximised);
    window.isMinimised = true;
    EXPECT_EQ(readPosition(window), kPositionMinimised);
}

TEST(VisibilityRules, MinimisingHidesOnlyWhenATrayHoldsTheIcon) {
    struct Case {
        TrayAvailability tray;
        std::int32_t state;
        bool visibleAfter;
    };
    const Case cases[] = {
        {TrayAvailability::Available, kPositionMinimised, false},
        {TrayAvailability::Available, kPositionNormal, true},
        {TrayAvailability::Available, kPositionMaximised, true},
        {TrayAvailability::Missing, kPositionMinimised, true},
    };
    for (const Case& c : cases) {
        PlainWindow window;
        window.setVisible(true);
        window.setPosition(c.state);
        VisibilityRules(c.tray).OnPositionChanged(window);
        EXPECT_EQ(window.visible(), c.visibleAfter) << static_cast<int>(c.tray) << " " << c.state;
    }
}

TEST(VisibilityRules, ShowMainWindowRestoresAndCentresAMinimisedHiddenWindow) {
    PlainWindow window;
    window.setVisible(true);
    window.setPosition(kPositionMinimised);
    window.setVisible(false);

    VisibilityRules::ShowMainWindow(window);

    EXPECT_TRUE(window.visible());
    EXPECT_EQ(window.position(), kPositionNormal);
    EXPECT_EQ(window.centredCount(), 1);
}

TEST(VisibilityRules, WithoutATrayTheWindowIsShownAfterCreation) {
    PlainWindow withTray, withoutTray;
    VisibilityRules(TrayAvailability::Available).afterCreation(withTray);
    VisibilityRules(TrayAvailability::Missing).afterCreation(withoutTray);
    EXPECT_FALSE(withTray.visible());
    EXPECT_TRUE(withoutTray.visible());
    EXPECT_EQ(withoutTray.centredCount(), 1);
}

TEST(VisibilityRules, DestructionHides) {
    PlainWindow window;
    window.setVisible(true);
    VisibilityRules::OnWillBeDestroyed(window);
    EXPECT_FALSE(window.visible());
}

}  // namespace
}  // namespace qv
