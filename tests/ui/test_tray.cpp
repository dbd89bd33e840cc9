#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/shared_state.h"
#include "fakes/virtual_framework.h"
#include "ui/tray.h"
#include "ui/tray_texts.h"

namespace qv {
namespace {

TEST(TrayAction, OnlyReleasesDoubleClicksAndTheContextMenuCount) {
    struct Case {
        TrayMouse mouse;
        std::optional<TrayAction> expected;
    };
    const Case cases[] = {
        {TrayMouse::Move, std::nullopt},
        {TrayMouse::LeftPress, std::nullopt},
        {TrayMouse::RightPress, std::nullopt},
        {TrayMouse::MiddlePress, std::nullopt},
        {TrayMouse::MiddleRelease, std::nullopt},
        {TrayMouse::LeftRelease, TrayAction::LeftClick},
        {TrayMouse::LeftDoubleClick, TrayAction::DoubleClick},
        {TrayMouse::RightRelease, TrayAction::RightClick},
        {TrayMouse::ContextMenu, TrayAction::RightClick},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trayActionFor(c.mouse), c.expected) << static_cast<int>(c.mouse);
    }
    EXPECT_EQ(static_cast<int>(TrayAction::LeftClick), 1);
    EXPECT_EQ(static_cast<int>(TrayAction::DoubleClick), 2);
    EXPECT_EQ(static_cast<int>(TrayAction::RightClick), 3);
}

TEST(TrayTip, IsCutAfterByte62WithoutSplittingACharacter) {
    const std::string ascii62(62, 'a');
    const std::string han = "\xd6\xd0";  // "中"
    struct Case {
        const char* name;
        std::string tip;
        std::string expected;
    };
    const Case cases[] = {
        {"our tip", "Veldrin_Quorvel1.0", "Veldrin_Quorvel1.0"},
        {"empty", "", ""},
        {"exactly 62", ascii62, ascii62},
        {"63 bytes", ascii62 + "b", ascii62},
        {"character ends on byte 62", std::string(60, 'a') + han + "z", std::string(60, 'a') + han},
        {"character would straddle the cut", std::string(61, 'a') + han,
         std::string(61, 'a')},
        {"an inner zero ends the text", std::string("ab\0cd", 5), "ab"},
    };
    for (const Case& c : cases) EXPECT_EQ(cutTrayTip(c.tip), c.expected) << c.name;
}

/// A notification area whose calls are recorded.
struct RecordingTray final : TrayHost {
    std::vector<std::string> calls;
    IconHandle nextIcon = 1;

    std::optional<IconHandle> makeIcon(std::span<const std::uint8_t> bytes) override {
        if (bytes.empty()) return std::nullopt;
        return nextIcon++;
    }
    void destroyIcon(IconHandle icon) override { calls.push_back("destroy " + std::to_string(icon)); }
    void add(IconHandle icon, const Text& tip) override {
        calls.push_back("add " + std::to_string(icon) + " " + tip);
    }
    void modify(IconHandle icon, const Text& tip) override {
        calls.push_back("modify " + std::to_string(icon) + " " + tip);
    }
    void remove() override { calls.push_back("remove"); }
};

const std::vector<std::uint8_t> kSomeIcon{1, 2, 3};

TEST(TrayEntry, AddsOnceThenModifiesAndReleasesTheOldIcon) {
    RecordingTray host;
    TrayEntry entry(host);
    entry.SetTrayIcon(kSomeIcon, "tip");
    entry.SetTrayIcon(kSomeIcon, "tip2");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"add 1 tip", "modify 2 tip2", "destroy 1"}));
    EXPECT_EQ(entry.icon(), IconHandle{2});
}

TEST(TrayEntry, RemovesOnlyWhatItShows) {
    RecordingTray host;
    TrayEntry entry(host);
    entry.RemoveTrayIcon();
    EXPECT_TRUE(host.calls.empty());

    entry.SetTrayIcon(kSomeIcon, "tip");
    entry.RemoveTrayIcon();
    entry.RemoveTrayIcon();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"add 1 tip", "remove", "destroy 1"}));
    EXPECT_FALSE(entry.icon());
}

TEST(TrayEntry, BytesWithoutAnImageRemoveTheEntry) {
    RecordingTray host;
    TrayEntry entry(host);
    entry.SetTrayIcon({}, "tip");
    EXPECT_TRUE(host.calls.empty());
    entry.SetTrayIcon(kSomeIcon, "tip");
    entry.SetTrayIcon({}, "tip");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"add 1 tip", "remove", "destroy 1"}));
}

TEST(TrayEntry, TipIsCutBeforeItReachesTheDesktop) {
    RecordingTray host;
    TrayEntry entry(host);
    entry.SetTrayIcon(kSomeIcon, std::string(70, 'x'));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"add 1 " + std::string(62, 'x')}));
}

/// A menu that answers with a chosen command and records what it was shown.
struct ScriptedMenu final : TrayMenuHost {
    std::optional<TrayCommand> answer;
    Point where{300, 200};
    Point shownAt;
    std::vector<std::string> calls;
    std::vector<std::string> captions;

    Point pointer() const override { return where; }
    void bringWindowToFront() override { calls.push_back("front"); }
    std::optional<TrayCommand> popUp(std::span<const TrayMenuItem> items, Point topRight) override {
        calls.push_back("menu");
        shownAt = topRight;
        for (const TrayMenuItem& item : items) captions.emplace_back(item.caption);
        return answer;
    }
};

TEST(TrayMenu, EveryActionOpensTheSameMenuAndRunsTheChosenCommandAfterIt) {
    struct Case {
        TrayAction action;
        std::optional<TrayCommand> chosen;
        std::string ran;
    };
    const Case cases[] = {
        {TrayAction::LeftClick, TrayCommand::ShowMainWindow, "show"},
        {TrayAction::DoubleClick, TrayCommand::OpenContactLink, "contact"},
        {TrayAction::RightClick, TrayCommand::ExitProgram, "exit"},
        {TrayAction::RightClick, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        ScriptedMenu menu;
        menu.answer = c.chosen;
        const TrayCommandHandlers handlers{[&] { menu.calls.push_back("show"); },
                                           [&] { menu.calls.push_back("contact"); },
                                           [&] { menu.calls.push_back("exit"); }};
        OnTrayEvent(c.action, menu, handlers);

        std::vector<std::string> expected{"front", "menu"};
        if (!c.ran.empty()) expected.push_back(c.ran);
        EXPECT_EQ(menu.calls, expected) << static_cast<int>(c.action);
        EXPECT_EQ(menu.shownAt, (Point{295, 195}));
        EXPECT_EQ(menu.captions,
                  (std::vector<std::string>{std::string(texts::kMenuShowWindow),
                                            std::string(texts::kMenuContact), "-",
                                            std::string(texts::kMenuExit)}));
    }
}

TEST(TrayMenu, SeparatorHasNoCommand) {
    const auto items = trayMenuItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_FALSE(items[2].command);
    EXPECT_EQ(items[0].command, TrayCommand::ShowMainWindow);
    EXPECT_EQ(items[1].command, TrayCommand::OpenContactLink);
    EXPECT_EQ(items[3].command, TrayCommand::ExitProgram);
}

TEST(ContactLink, IsTheSchemeAndTheDigitsOfTheAccount) {
    const Text link = contactLink();
    const std::string prefix = "tencent://Message/?Uin=";
    ASSERT_EQ(link.rfind(prefix, 0), 0u);
    const std::string digits = link.substr(prefix.size());
    ASSERT_FALSE(digits.empty());
    EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << link;
}

TEST(ExitProgram, RemovesTheIconThenEndsInOrderWithCodeZero) {
    VirtualEventLoop loop;
    test::VirtualFramework framework(loop, [] {}, std::chrono::seconds{1});
    SharedState state;
    Application application(framework, state);
    RecordingTray host;
    TrayEntry entry(host);
    entry.SetTrayIcon(kSomeIcon, "tip");
    bool released = false;
    application.addLibraryRelease([&] {
        released = true;
        EXPECT_FALSE(entry.icon()) << "the icon goes before the orderly end";
    });

    try {
        ExitProgram(entry, application);
        FAIL() << "ExitProgram returned";
    } catch (const test::ProcessExit& exit) {
        EXPECT_EQ(exit.code, 0);
    }
    EXPECT_TRUE(released);
    EXPECT_EQ(host.calls.back(), "destroy 1");
}

}  // namespace
}  // namespace qv
