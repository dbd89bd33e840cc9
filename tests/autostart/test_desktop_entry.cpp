#include <gtest/gtest.h>

#include "autostart/autostart_support.h"
#include "platform/linux/desktop_entry.h"

namespace qv {
namespace {

using platform::desktopEntryText;
using platform::execArgument;
using platform::execProgramOf;

struct ExecCase {
    const char* label;
    std::string program;
    std::optional<std::string> exec;  // as it stands in the file
};

const ExecCase kExecCases[] = {
    {"plain", "/usr/bin/quorvel", "/usr/bin/quorvel"},
    {"blanks", "/opt/My Apps/quorvel", "\"/opt/My Apps/quorvel\""},
    {"double quote", "/opt/a\"b", "\"/opt/a\\\\\"b\""},
    {"backslash: four in the file", "/opt/a\\b", "\"/opt/a\\\\\\\\b\""},
    {"dollar", "/opt/$HOME", "\"/opt/\\\\$HOME\""},
    {"backtick", "/opt/a`b", "\"/opt/a\\\\`b\""},
    {"single quote", "/opt/it's", "\"/opt/it's\""},
    {"reserved without escape", "/opt/a;b&c|d<e>f~g*h?i#j(k)", "\"/opt/a;b&c|d<e>f~g*h?i#j(k)\""},
    {"percent is doubled", "/opt/100%/q", "/opt/100%%/q"},
    {"tab", "/opt/a\tb", "\"/opt/a\\tb\""},
    {"newline", "/opt/a\nb", "\"/opt/a\\nb\""},
    {"non-ASCII", "/opt/\xe5\x86\x85\xe5\xad\x98/quorvel", "/opt/\xe5\x86\x85\xe5\xad\x98/quorvel"},
    {"equals sign", "/opt/a=b", "/opt/a=b"},
    {"empty", "", std::nullopt},
    {"other control character", "/opt/a\x01" "b", std::nullopt},
};

TEST(DesktopEntry, ExecArgumentIsQuotedAndEscapedAsTheFormatAsks) {
    for (const auto& c : kExecCases) EXPECT_EQ(execArgument(c.program), c.exec) << c.label;
}

TEST(DesktopEntry, TheProgramReadsBackFromTheEntry) {
    for (const auto& c : kExecCases) {
        const auto text = desktopEntryText(c.program);
        if (!c.exec) {
            EXPECT_FALSE(text) << c.label;
            continue;
        }
        ASSERT_TRUE(text) << c.label;
        EXPECT_NE(text->find("\nExec=" + *c.exec + "\n"), std::string::npos) << c.label;
        EXPECT_EQ(execProgramOf(*text), c.program) << c.label;
    }
}

TEST(DesktopEntry, EveryEntryValidates) {
    if (!std::filesystem::exists(test::kDesktopFileValidate)) {
        GTEST_SKIP() << "desktop-file-validate is not installed";
    }
    test::TempDir folder;
    for (const auto& c : kExecCases) {
        const auto text = desktopEntryText(c.program);
        if (!text) continue;
        const auto file = folder.path() / "Quorvel1.0.desktop";
        test::writeFile(file, *text);
        const auto [code, printed] = test::validateDesktopFile(file);
        EXPECT_EQ(code, 0) << c.label << "\n" << printed;
        EXPECT_EQ(printed, "") << c.label;
    }
}

TEST(DesktopEntry, ExecIsTakenFromTheMainGroupOnly) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"[Desktop Entry]\nName=x\nExec=/bin/a --flag\n", "/bin/a"},
        {"[Desktop Entry]\r\nExec = \"/bin/a b\" %u\r\n", "/bin/a b"},
        {"[Desktop Action x]\nExec=/bin/other\n[Desktop Entry]\nExec=/bin/a\n", "/bin/a"},
        {"[Desktop Entry]\nExecutable=/bin/x\nTryExec=/bin/y\n", std::nullopt},
        {"[Other]\nExec=/bin/a\n", std::nullopt},
        {"Exec=/bin/a\n", std::nullopt},
        {"[Desktop Entry]\nExec=\n", ""},
        {"\xff\xfe garbage \x00\x01", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, program] : cases) EXPECT_EQ(execProgramOf(text), program) << text;
}

}  // namespace
}  // namespace qv
