#include <gtest/gtest.h>

#include "core/registry.h"
#include "core/registry_names.h"

namespace qv {
namespace {

// "\x81\x5c" and "\x95\x5c" are two-byte characters whose second byte is a
// backslash; "\x81\x41" and "\x81\x61" ones whose second byte is a letter.

struct SplitCase {
    const char* label;
    std::string path;
    std::string keyPath;
    std::string valueName;
};

TEST(SplitRegistryPath, SplitsAtTheLastBackslashOfItsOwn) {
    const SplitCase cases[] = {
        {"plain", "Software\\Vendor\\Value", "Software\\Vendor", "Value"},
        {"no backslash", "Value", "", "Value"},
        {"empty", "", "", ""},
        {"leading only", "\\Value", "", "Value"},
        {"trailing: default value", "Software\\", "Software", ""},
        {"value ends in a trail backslash", "Key\\Name\x95\x5c", "Key", "Name\x95\x5c"},
        {"only a trail backslash", "Name\x95\x5c", "", "Name\x95\x5c"},
        {"key holds a trail backslash", "Key\x81\x5c\\Name", "Key\x81\x5c", "Name"},
        {"cut at a zero byte", std::string("A\\B\0C\\D", 7), "A", "B"},
    };
    for (const auto& c : cases) {
        const auto split = SplitRegistryPath(c.path);
        EXPECT_EQ(split.keyPath, c.keyPath) << c.label;
        EXPECT_EQ(split.valueName, c.valueName) << c.label;
    }
}

TEST(RegistryRootFromNumber, OtherNumbersAreTheCurrentUser) {
    using platform::RegistryRoot;
    const std::pair<std::int32_t, RegistryRoot> cases[] = {
        {1, RegistryRoot::ClassesRoot},   {2, RegistryRoot::CurrentConfig},
        {3, RegistryRoot::CurrentUser},   {4, RegistryRoot::LocalMachine},
        {5, RegistryRoot::Users},         {0, RegistryRoot::CurrentUser},
        {6, RegistryRoot::CurrentUser},   {-4, RegistryRoot::CurrentUser},
        {INT32_MIN, RegistryRoot::CurrentUser},
    };
    for (const auto& [number, root] : cases) {
        EXPECT_EQ(RegistryRootFromNumber(number), root) << number;
    }
}

TEST(FoldRegistryName, FoldsOnlyLettersOfTheirOwn) {
    const std::pair<std::string, std::string> cases[] = {
        {"SoftWare\\Run", "software\\run"},
        {"Quorvel1.0", "quorvel1.0"},
        {"\x81\x41", "\x81\x41"},            // second byte 'A' stays
        {"A\x81\x41Z", "a\x81\x41z"},
        {"\xc6\xa4\xb7\xf4", "\xc6\xa4\xb7\xf4"},
        {"\x81", "\x81"},                    // a lead byte at the end
        {"[@`{", "[@`{"},                    // neighbours of the letters
    };
    for (const auto& [name, folded] : cases) EXPECT_EQ(foldRegistryName(name), folded) << name;
}

TEST(SplitKeyPath, NamesOrNothingForEmptyNames) {
    using Names = std::vector<Text>;
    const std::pair<std::string, std::optional<Names>> cases[] = {
        {"", Names{}},
        {"A", Names{"A"}},
        {"A\\B\\C", Names{"A", "B", "C"}},
        {"A\x81\x5c\\B", Names{"A\x81\x5c", "B"}},
        {"\\A", std::nullopt},
        {"A\\", std::nullopt},
        {"A\\\\B", std::nullopt},
        {"\\", std::nullopt},
    };
    for (const auto& [path, names] : cases) EXPECT_EQ(splitKeyPath(path), names) << path;
}

}  // namespace
}  // namespace qv
