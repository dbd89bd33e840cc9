#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "app/wiring.h"
#include "autostart/autostart_support.h"
#include "core/registry.h"
#include "core/texts.h"
#include "fakes/virtual_framework.h"
#include "platform/linux/desktop_entry.h"
#include "platform/module_path.h"
#include "ui/autostart.h"
#include "ui/plain_controls.h"

namespace qv {
namespace {

using platform::RegistryRoot;

constexpr TextView kRunKey = "software\\microsoft\\windows\\CurrentVersion\\Run";

/// The check box over the real store and entry in a fresh config folder.
struct AutostartTest : ::testing::Test {
    test::TempDir home;
    std::unique_ptr<platform::SettingsStore> store = platform::openSettingsStore(home.path());
    std::filesystem::path entry = home.path() / "autostart" / "Quorvel1.0.desktop";
    PlainCheck box;
    test::RecordingShell shell;

    void click(bool checked, TextView executable = "/usr/local/bin/quorvel") {
        box.setChecked(checked);
        OnAutostartClicked(*store, shell, box, executable);
    }
    /// The box as the next start would set it, from a store opened afresh.
    bool boxAtNextStart() {
        auto fresh = platform::openSettingsStore(home.path());
        PlainCheck atStart;
        SetAutostartBox(*fresh, atStart);
        return atStart.checked();
    }
    std::pair<Text, Text> lastBox() const {
        return shell.boxes.empty() ? std::pair<Text, Text>{} : shell.boxes.back();
    }
    static std::pair<Text, Text> message(TextView text) {
        return {Text(text), Text(texts::kMessageCaption)};
    }
    /// The autostart value as the settings operations see it.
    std::optional<std::string> runValue() {
        return test::readRaw(*store, RegistryRoot::LocalMachine, kRunKey, "Quorvel1.0");
    }
    std::optional<std::string> entryProgram() const {
        if (!std::filesystem::exists(entry)) return std::nullopt;
        return platform::execProgramOf(test::readFile(entry));
    }
};

TEST_F(AutostartTest, CheckingWritesAValidEntryAndClearingRemovesIt) {
    SetAutostartBox(*store, box);
    EXPECT_FALSE(box.checked());

    click(true);
    EXPECT_EQ(shell.boxes, (std::vector{message(texts::kAutostartSet)}));
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(entryProgram(), "/usr/local/bin/quorvel");
    EXPECT_NE(test::readFile(entry).find("\nExec=/usr/local/bin/quorvel\n"), std::string::npos);
    EXPECT_TRUE(boxAtNextStart());
    if (std::filesystem::exists(test::kDesktopFileValidate)) {
        const auto [code, printed] = test::validateDesktopFile(entry);
        EXPECT_EQ(code, 0) << printed;
    }
    // Written through a temporary file that does not stay behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(entry.parent_path()),
                            std::filesystem::directory_iterator{}),
              1);

    click(false);
    EXPECT_EQ(lastBox(), message(texts::kAutostartCleared));
    EXPECT_FALSE(box.checked());
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(boxAtNextStart());
}

TEST_F(AutostartTest, APathWithBlanksIsQuotedInTheEntryAndUnchangedAsTheValue) {
    const Text path = "/opt/My Apps/Quorvel 1.0/quorvel";
    click(true, path);
    EXPECT_EQ(lastBox(), message(texts::kAutostartSet));
    EXPECT_NE(test::readFile(entry).find("\nExec=\"/opt/My Apps/Quorvel 1.0/quorvel\"\n"),
              std::string::npos);
    EXPECT_EQ(runValue(), path + '\0');
    if (std::filesystem::exists(test::kDesktopFileValidate)) {
        const auto [code, printed] = test::validateDesktopFile(entry);
        EXPECT_EQ(code, 0) << printed;
    }
}

TEST_F(AutostartTest, AGbkPathIsWrittenAsUtf8) {
    const Text path = "/opt/\xc4\xda\xb4\xe6/quorvel";  // "内存"
    click(true, path);
    EXPECT_EQ(entryProgram(), "/opt/\xe5\x86\x85\xe5\xad\x98/quorvel");
    EXPECT_EQ(runValue(), path + '\0');
}

TEST_F(AutostartTest, AnEntryWrittenBySomeoneElseChecksTheBoxAndClearingDeletesIt) {
    const std::pair<const char*, std::string> cases[] = {
        {"another program's entry", "[Desktop Entry]\nType=Application\nName=x\nExec=/bin/other\n"},
        {"empty file", ""},
        {"garbage", std::string("\xff\xfe\0\x01[Desktop", 10)},
    };
    for (const auto& [label, contents] : cases) {
        test::writeFile(entry, contents);
        SetAutostartBox(*store, box);
        EXPECT_TRUE(box.checked()) << label;
        EXPECT_TRUE(RegistryValueExists(*store, 4, kAutostartPath)) << label;
        click(false);
        EXPECT_EQ(lastBox(), message(texts::kAutostartCleared)) << label;
        EXPECT_FALSE(std::filesystem::exists(entry)) << label;
    }
}

TEST_F(AutostartTest, AMovedProgramStartsCheckedAndWritesItsNewPath) {
    click(true, "/old/place/quorvel");
    ASSERT_TRUE(boxAtNextStart());
    click(false, "/new/place/quorvel");
    click(true, "/new/place/quorvel");
    EXPECT_EQ(entryProgram(), "/new/place/quorvel");
}

TEST_F(AutostartTest, ClearingWithoutAnEntryDeletesASubkeyOfThatNameAndNothingElse) {
    ASSERT_TRUE(WriteRegistryText(*store, 4, Text(kRunKey) + "\\Quorvel1.0\\Inner", "x"));
    ASSERT_TRUE(DeleteRegistryItem(*store, 4, Text(kRunKey) + "\\Quorvel1.0\\Inner"));
    ASSERT_TRUE(WriteRegistryText(*store, 4, Text(kRunKey) + "\\Other", "/bin/other"));
    ASSERT_TRUE(test::keyExists(*store, RegistryRoot::LocalMachine, kAutostartPath));
    SetAutostartBox(*store, box);
    EXPECT_FALSE(box.checked());  // a key is not the value

    click(false);
    EXPECT_EQ(lastBox(), message(texts::kAutostartCleared));
    EXPECT_FALSE(test::keyExists(*store, RegistryRoot::LocalMachine, kAutostartPath));
    EXPECT_TRUE(RegistryValueExists(*store, 4, Text(kRunKey) + "\\Other"));
}

TEST_F(AutostartTest, OtherValuesUnderTheRunKeyLiveInTheStore) {
    ASSERT_TRUE(WriteRegistryText(*store, 4, Text(kRunKey) + "\\Other", "/bin/other"));
    EXPECT_TRUE(RegistryValueExists(*store, 4, Text(kRunKey) + "\\Other"));
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(DeleteRegistryItem(*store, 4, Text(kRunKey) + "\\Other"));
    EXPECT_FALSE(RegistryValueExists(*store, 4, Text(kRunKey) + "\\Other"));
}

TEST_F(AutostartTest, ClearingWhatIsNotThereStillReportsItCleared) {
    click(false);
    EXPECT_EQ(shell.boxes, (std::vector{message(texts::kAutostartCleared)}));
    EXPECT_FALSE(box.checked());
}

TEST_F(AutostartTest, OnlyTheProgramsValueUnderTheMachineRunKeyIsTheEntry) {
    test::writeFile(entry, "[Desktop Entry]\n");
    const std::pair<std::int32_t, std::string> cases[] = {
        {4, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\QUORVEL1.0"},
        {4, "software\\microsoft\\windows\\currentversion\\run\\quorvel1.0"},
    };
    for (const auto& [root, path] : cases) {
        EXPECT_TRUE(RegistryValueExists(*store, root, path)) << path;
    }
    const std::pair<std::int32_t, std::string> others[] = {
        {3, std::string(kAutostartPath)},
        {4, "software\\microsoft\\windows\\CurrentVersion\\RunOnce\\Quorvel1.0"},
        {4, std::string(kRunKey) + "\\Quorvel1.00"},
        {4, "Quorvel1.0"},
    };
    for (const auto& [root, path] : others) {
        EXPECT_FALSE(RegistryValueExists(*store, root, path)) << path;
    }
    // Number reads see text, as for any REG_SZ.
    EXPECT_EQ(ReadRegistryNumber(*store, 4, kAutostartPath, 7), 7);
}

TEST_F(AutostartTest, TheEntryWorksEvenWhenTheSettingsDatabaseCannotBeOpened) {
    test::writeFile(home.path() / "Quorvel1.0", "not a folder");
    click(true);
    EXPECT_EQ(lastBox(), message(texts::kAutostartSet));
    EXPECT_TRUE(boxAtNextStart());
    click(false);
    EXPECT_EQ(lastBox(), message(texts::kAutostartCleared));
}

// A store that refuses: the box says so and shows the real state again.

TEST_F(AutostartTest, AFailedWriteSaysSoAndUnchecksTheBox) {
    const std::pair<const char*, Text> cases[] = {
        {"autostart folder is a file", "/usr/local/bin/quorvel"},
        {"the program's path is unknown", ""},
    };
    test::writeFile(home.path() / "autostart", "a file where the folder should be");
    for (const auto& [label, executable] : cases) {
        click(true, executable);
        EXPECT_EQ(lastBox(), message(texts::kAutostartSetFailed)) << label;
        EXPECT_FALSE(box.checked()) << label;
        EXPECT_FALSE(boxAtNextStart()) << label;
    }
    std::filesystem::remove(home.path() / "autostart");
    click(true, "");
    EXPECT_EQ(lastBox(), message(texts::kAutostartSetFailed));
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(AutostartTest, AFailedDeleteSaysSoAndChecksTheBoxAgain) {
    click(true);
    ASSERT_TRUE(std::filesystem::exists(entry));
    ASSERT_EQ(::chmod(entry.parent_path().c_str(), 0555), 0);
    test::WithoutPermissionOverride asAUser;
    const auto probe = entry.parent_path() / "probe";
    if (!asAUser.active() || std::ofstream(probe).is_open()) {
        std::filesystem::remove(probe);
        ::chmod(entry.parent_path().c_str(), 0755);
        GTEST_SKIP() << "cannot make a folder unwritable here";
    }
    click(false);
    EXPECT_EQ(lastBox(), message(texts::kAutostartClearFailed));
    EXPECT_TRUE(box.checked());
    EXPECT_TRUE(std::filesystem::exists(entry));
    ::chmod(entry.parent_path().c_str(), 0755);
}

/// The wired handlers of the program: the user's config folder, the path of
/// the running executable.
TEST(WireAutostart, HandlersUseTheUsersConfigAndTheRunningExecutable) {
    test::TempDir home;
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved == nullptr ? "" : saved;
    ::setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);

    VirtualEventLoop loop;
    SharedState state;
    test::VirtualFramework framework(loop, [] {}, std::chrono::seconds{1});
    Application application(framework, state);
    PlainMainWindow window(loop.makeTimerBackend(), loop.makeTimerBackend(),
                           loop.makeTimerBackend());
    test::RecordingShell shell;
    Wiring wiring(application, window.controls(), shell);
    wireAutostart(wiring);
    if (saved == nullptr) {
        ::unsetenv("XDG_CONFIG_HOME");
    } else {
        ::setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    }

    ASSERT_TRUE(wiring.parts.setAutostartBox && wiring.parts.onAutostartClicked);
    window.选择框3.setChecked(true);
    wiring.parts.setAutostartBox();
    EXPECT_FALSE(window.选择框3.checked());

    window.选择框3.setChecked(true);
    wiring.parts.onAutostartClicked();
    const auto file = home.path() / "autostart" / "Quorvel1.0.desktop";
    const auto program = platform::execProgramOf(test::readFile(file));
    EXPECT_EQ(program, std::filesystem::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(platform::executablePath(), program);
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].first, texts::kAutostartSet);
}

}  // namespace
}  // namespace qv
