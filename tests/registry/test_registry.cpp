#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fstream>

#include "core/registry.h"
#include "registry/store_support.h"

namespace qv {
namespace {

using platform::KeyAccess;
using platform::RegistryRoot;
using platform::ValueType;
using test::keyExists;
using test::putRaw;
using test::readRaw;

/// The real store in a fresh folder, as the program opens it.
struct StoreTest : ::testing::Test {
    test::TempDir home;
    std::unique_ptr<platform::SettingsStore> store = platform::openSettingsStore(home.path());
};

std::string bytes(std::initializer_list<unsigned char> list) { return {list.begin(), list.end()}; }

struct NumberCase {
    const char* label;
    ValueType type;
    std::string data;
    std::int32_t expected;  // with the default 77
};

TEST_F(StoreTest, ReadsOnlyDwordsOfAtMostFourBytes) {
    const NumberCase cases[] = {
        {"dword", ValueType::Dword, bytes({5, 0, 0, 0}), 5},
        {"little-endian", ValueType::Dword, bytes({0x78, 0x56, 0x34, 0x12}), 0x12345678},
        {"all ones is -1", ValueType::Dword, bytes({0xff, 0xff, 0xff, 0xff}), -1},
        {"lowest", ValueType::Dword, bytes({0, 0, 0, 0x80}), INT32_MIN},
        {"two bytes", ValueType::Dword, bytes({0x34, 0x12}), 0x1234},
        {"empty dword", ValueType::Dword, "", 0},
        {"text \"5\"", ValueType::Sz, std::string("5\0", 2), 77},
        {"expandable text", ValueType::ExpandSz, std::string("5\0", 2), 77},
        {"four raw bytes", ValueType::Binary, bytes({5, 0, 0, 0}), 77},
        {"qword", ValueType::Qword, bytes({5, 0, 0, 0, 0, 0, 0, 0}), 77},
        {"dword of five bytes", ValueType::Dword, bytes({5, 0, 0, 0, 0}), 77},
        {"dword of eight bytes", ValueType::Dword, bytes({5, 0, 0, 0, 0, 0, 0, 0}), 77},
        {"unknown type code", static_cast<ValueType>(0x4711), bytes({5, 0, 0, 0}), 77},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(putRaw(*store, RegistryRoot::CurrentUser, "Software\\Numbers", "Value", c.type,
                           c.data))
            << c.label;
        EXPECT_EQ(ReadRegistryNumber(*store, 3, "Software\\Numbers\\Value", 77), c.expected)
            << c.label;
        EXPECT_TRUE(RegistryValueExists(*store, 3, "Software\\Numbers\\Value")) << c.label;
    }
}

TEST_F(StoreTest, MissingKeysAndValuesGiveTheDefault) {
    ASSERT_TRUE(putRaw(*store, RegistryRoot::CurrentUser, "Software\\Numbers", "Value",
                       ValueType::Dword, bytes({9, 0, 0, 0})));
    EXPECT_EQ(ReadRegistryNumber(*store, 3, "Software\\Missing\\Value", 77), 77);
    EXPECT_EQ(ReadRegistryNumber(*store, 3, "Software\\Numbers\\Other", 77), 77);
    EXPECT_EQ(ReadRegistryNumber(*store, 3, "Software\\Numbers\\Other"), 0);
    EXPECT_EQ(ReadRegistryNumber(*store, 4, "Software\\Numbers\\Value", 77), 77);  // other root
    EXPECT_FALSE(RegistryValueExists(*store, 3, "Software\\Numbers\\Other"));
    EXPECT_FALSE(RegistryValueExists(*store, 3, "Software\\Missing\\Value"));
    // A key is not a value: the key "Numbers" exists, no value of that name.
    EXPECT_FALSE(RegistryValueExists(*store, 3, "Software\\Numbers"));
}

TEST_F(StoreTest, NamesCompareWithoutAsciiCaseButTwoByteCharactersExactly) {
    ASSERT_TRUE(WriteRegistryText(*store, 3, "SOFTWARE\\Vendor\\Setting", "one"));
    EXPECT_TRUE(RegistryValueExists(*store, 3, "software\\VENDOR\\setting"));
    ASSERT_TRUE(WriteRegistryText(*store, 3, "software\\vendor\\SETTING", "two"));
    EXPECT_EQ(readRaw(*store, RegistryRoot::CurrentUser, "Software\\Vendor", "Setting"),
              std::string("two\0", 4));

    // Second bytes that look like 'A' and 'a' make two different characters.
    ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\Vendor\\X\x81\x41", "upper"));
    ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\Vendor\\X\x81\x61", "lower"));
    EXPECT_EQ(readRaw(*store, RegistryRoot::CurrentUser, "Software\\Vendor", "x\x81\x41"),
              std::string("upper\0", 6));
    EXPECT_TRUE(DeleteRegistryItem(*store, 3, "Software\\Vendor\\X\x81\x61"));
    EXPECT_TRUE(RegistryValueExists(*store, 3, "Software\\Vendor\\X\x81\x41"));
    EXPECT_FALSE(RegistryValueExists(*store, 3, "Software\\Vendor\\X\x81\x61"));
}

struct PathCase {
    const char* label;
    std::int32_t writeRoot;
    std::string path;
    RegistryRoot root;
    std::string keyPath;
    std::string valueName;
};

TEST_F(StoreTest, PathsAndRootsAddressTheSplitKeyAndValue) {
    const PathCase cases[] = {
        {"nested", 3, "Software\\A\\B\\C\\Value", RegistryRoot::CurrentUser, "Software\\A\\B\\C",
         "Value"},
        {"no backslash: under the root", 3, "TopValue", RegistryRoot::CurrentUser, "", "TopValue"},
        {"value ends in a trail backslash", 3, "Software\\Gbk\\Name\x95\x5c",
         RegistryRoot::CurrentUser, "Software\\Gbk", "Name\x95\x5c"},
        {"key holds a trail backslash", 3, "Software\\Key\x81\x5c\\Name", RegistryRoot::CurrentUser,
         "Software\\Key\x81\x5c", "Name"},
        {"default value of a key", 3, "Software\\Defaults\\", RegistryRoot::CurrentUser,
         "Software\\Defaults", ""},
        {"root 1", 1, "K\\V", RegistryRoot::ClassesRoot, "K", "V"},
        {"root 2", 2, "K\\V", RegistryRoot::CurrentConfig, "K", "V"},
        {"root 4", 4, "K\\V", RegistryRoot::LocalMachine, "K", "V"},
        {"root 5", 5, "K\\V", RegistryRoot::Users, "K", "V"},
        {"root 0 is the current user", 0, "Zero\\V", RegistryRoot::CurrentUser, "Zero", "V"},
        {"root 9 is the current user", 9, "Nine\\V", RegistryRoot::CurrentUser, "Nine", "V"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteRegistryText(*store, c.writeRoot, c.path, c.label)) << c.label;
        const auto data = readRaw(*store, c.root, c.keyPath, c.valueName);
        EXPECT_EQ(data, std::string(c.label) + '\0') << c.label;
        const auto key = store->openKey(c.root, c.keyPath, KeyAccess::Read);
        ASSERT_TRUE(key) << c.label;
        EXPECT_EQ(store->queryValue(*key, c.valueName)->type, ValueType::Sz) << c.label;
        store->closeKey(*key);
        EXPECT_TRUE(RegistryValueExists(*store, c.writeRoot, c.path)) << c.label;
        EXPECT_TRUE(DeleteRegistryItem(*store, c.writeRoot, c.path)) << c.label;
        EXPECT_FALSE(RegistryValueExists(*store, c.writeRoot, c.path)) << c.label;
    }
    // The trail byte did not split the name: no key "Software\Gbk\Name\x95" appeared.
    EXPECT_FALSE(keyExists(*store, RegistryRoot::CurrentUser, "Software\\Gbk\\Name\x95"));
}

TEST_F(StoreTest, WritingCreatesMissingKeysAndStoresTextWithItsZero) {
    ASSERT_FALSE(keyExists(*store, RegistryRoot::CurrentUser, "Software\\New"));
    ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\New\\Deep\\Value", "C:\\x y"));
    EXPECT_TRUE(keyExists(*store, RegistryRoot::CurrentUser, "Software\\New"));
    EXPECT_TRUE(keyExists(*store, RegistryRoot::CurrentUser, "Software\\New\\Deep"));
    EXPECT_EQ(readRaw(*store, RegistryRoot::CurrentUser, "Software\\New\\Deep", "Value"),
              std::string("C:\\x y\0", 7));
    // A text ends at its first zero byte, as the texts of the program do.
    const std::string withZero("ab\0cd", 5);
    ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\New\\Deep\\Value", withZero));
    EXPECT_EQ(readRaw(*store, RegistryRoot::CurrentUser, "Software\\New\\Deep", "Value"),
              std::string("ab\0", 3));
    ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\New\\Deep\\Empty", ""));
    EXPECT_EQ(readRaw(*store, RegistryRoot::CurrentUser, "Software\\New\\Deep", "Empty"),
              std::string("\0", 1));
}

TEST_F(StoreTest, PathsWithEmptyKeyNamesAreRefused) {
    for (const char* path : {"\\Lead\\Value", "A\\\\B\\Value", "A\\B\\\\Value"}) {
        EXPECT_FALSE(WriteRegistryText(*store, 3, path, "x")) << path;
        EXPECT_FALSE(RegistryValueExists(*store, 3, path)) << path;
        EXPECT_FALSE(DeleteRegistryItem(*store, 3, path)) << path;
    }
}

struct DeleteCase {
    const char* label;
    bool value;            // a value "Item" in "Software\Box"
    bool subkey;           // a key "Software\Box\Item"
    bool subkeyHasValue;   // ... holding a value
    bool subkeyHasSubkey;  // ... holding a key
    bool deleted;
    bool valueAfter;
    bool subkeyAfter;
};

TEST_F(StoreTest, DeletingTakesTheValueElseASubkeyOfThatName) {
    const DeleteCase cases[] = {
        {"value", true, false, false, false, true, false, false},
        {"value and subkey: only the value", true, true, false, false, true, false, true},
        {"subkey without value", false, true, false, false, true, false, false},
        {"subkey with values of its own", false, true, true, false, true, false, false},
        {"subkey with a key under it stays", false, true, false, true, false, false, true},
        {"nothing", false, false, false, false, false, false, false},
    };
    const RegistryRoot user = RegistryRoot::CurrentUser;
    for (const auto& c : cases) {
        ASSERT_TRUE(putRaw(*store, user, "Software\\Box", "Keep", ValueType::Dword, bytes({1})));
        if (c.value) {
            ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\Box\\Item", "v"));
        }
        if (c.subkey) {
            ASSERT_TRUE(store->createKey(user, "Software\\Box\\Item"));
        }
        if (c.subkeyHasValue) {
            ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\Box\\Item\\V", "x"));
        }
        if (c.subkeyHasSubkey) {
            ASSERT_TRUE(store->createKey(user, "Software\\Box\\Item\\Deeper"));
        }

        EXPECT_EQ(DeleteRegistryItem(*store, 3, "Software\\Box\\Item"), c.deleted) << c.label;
        EXPECT_EQ(RegistryValueExists(*store, 3, "Software\\Box\\Item"), c.valueAfter) << c.label;
        EXPECT_EQ(keyExists(*store, user, "Software\\Box\\Item"), c.subkeyAfter) << c.label;
        EXPECT_TRUE(RegistryValueExists(*store, 3, "Software\\Box\\Keep")) << c.label;

        store->deleteKey(user, "Software\\Box\\Item\\Deeper");
        store->deleteKey(user, "Software\\Box\\Item");
        DeleteRegistryItem(*store, 3, "Software\\Box\\Item");
    }
}

TEST_F(StoreTest, RootsCannotBeDeleted) {
    ASSERT_TRUE(WriteRegistryText(*store, 3, "TopValue", "x"));
    EXPECT_FALSE(store->deleteKey(RegistryRoot::CurrentUser, ""));
    EXPECT_FALSE(DeleteRegistryItem(*store, 3, ""));
    EXPECT_TRUE(RegistryValueExists(*store, 3, "TopValue"));
}

TEST_F(StoreTest, KeysOpenOnlyForWhatTheyWereOpenedFor) {
    ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\Access\\Value", "x"));
    const auto data = std::as_bytes(std::span("y", 2));
    const RegistryRoot user = RegistryRoot::CurrentUser;
    const auto reader = store->openKey(user, "Software\\Access", KeyAccess::Read);
    const auto writer = store->openKey(user, "Software\\Access", KeyAccess::Write);
    ASSERT_TRUE(reader && writer);
    EXPECT_FALSE(store->setValue(*reader, "Value", ValueType::Sz, data));
    EXPECT_FALSE(store->deleteValue(*reader, "Value"));
    EXPECT_FALSE(store->queryValue(*writer, "Value"));
    EXPECT_TRUE(store->setValue(*writer, "Value", ValueType::Sz, data));
    store->closeKey(*writer);
    EXPECT_FALSE(store->setValue(*writer, "Value", ValueType::Sz, data));  // closed
    EXPECT_EQ(store->queryValue(*reader, "Value")->size, 2u);
    store->closeKey(*reader);
}

TEST_F(StoreTest, AKeyDeletedWhileOpenTakesNoMoreValues) {
    const auto key = store->createKey(RegistryRoot::CurrentUser, "Software\\Gone");
    ASSERT_TRUE(key);
    ASSERT_TRUE(store->deleteKey(RegistryRoot::CurrentUser, "Software\\Gone"));
    EXPECT_FALSE(store->setValue(*key, "Value", ValueType::Sz, std::as_bytes(std::span("y", 2))));
    store->closeKey(*key);
    EXPECT_FALSE(keyExists(*store, RegistryRoot::CurrentUser, "Software\\Gone"));
}

TEST_F(StoreTest, ReadingIntoASmallerBufferFails) {
    ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\Size\\Value", "abc"));
    const auto key = store->openKey(RegistryRoot::CurrentUser, "Software\\Size", KeyAccess::Read);
    ASSERT_TRUE(key);
    std::array<std::byte, 4> exact{};
    std::array<std::byte, 3> small{};
    EXPECT_EQ(store->readValue(*key, "Value", exact)->size, 4u);
    EXPECT_FALSE(store->readValue(*key, "Value", small));
    store->closeKey(*key);
}

/// A store that cannot be used fails every operation and crashes on none.
struct BrokenCase {
    const char* label;
    void (*breakIt)(const std::filesystem::path& home);
};

void writeFile(const std::filesystem::path& file, std::string_view contents) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << contents;
}

TEST(BrokenStore, FailsEveryOperationWithoutCrashing) {
    const BrokenCase cases[] = {
        {"folder is a file", [](const auto& home) { writeFile(home / "Quorvel1.0", "x"); }},
        {"database is garbage",
         [](const auto& home) {
             writeFile(home / "Quorvel1.0" / "settings.db", std::string(8192, '\x5a'));
         }},
        {"database is a folder",
         [](const auto& home) {
             std::filesystem::create_directories(home / "Quorvel1.0" / "settings.db");
         }},
    };
    for (const auto& c : cases) {
        test::TempDir home;
        c.breakIt(home.path());
        auto store = platform::openSettingsStore(home.path());
        EXPECT_FALSE(WriteRegistryText(*store, 3, "Software\\V", "x")) << c.label;
        EXPECT_FALSE(RegistryValueExists(*store, 3, "Software\\V")) << c.label;
        EXPECT_EQ(ReadRegistryNumber(*store, 3, "Software\\V", 5), 5) << c.label;
        EXPECT_FALSE(DeleteRegistryItem(*store, 3, "Software\\V")) << c.label;
    }
}

TEST(BrokenStore, ARepairedFolderIsUsedOnTheNextCall) {
    test::TempDir home;
    writeFile(home.path() / "Quorvel1.0", "x");
    auto store = platform::openSettingsStore(home.path());
    ASSERT_FALSE(WriteRegistryText(*store, 3, "Software\\V", "x"));
    std::filesystem::remove(home.path() / "Quorvel1.0");
    EXPECT_TRUE(WriteRegistryText(*store, 3, "Software\\V", "x"));
    EXPECT_TRUE(RegistryValueExists(*store, 3, "Software\\V"));
}

TEST(StoreFile, ReadingAndDeletingLeaveNoTrace) {
    test::TempDir home;
    auto store = platform::openSettingsStore(home.path());
    EXPECT_EQ(ReadRegistryNumber(*store, 3, "Software\\V", 5), 5);
    EXPECT_FALSE(RegistryValueExists(*store, 3, "Software\\V"));
    EXPECT_FALSE(RegistryValueExists(
        *store, 4, "software\\microsoft\\windows\\CurrentVersion\\Run\\Quorvel1.0"));
    EXPECT_FALSE(DeleteRegistryItem(*store, 3, "Software\\V"));
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));
}

TEST(StoreFile, LivesInTheConfigFolderInWriteAheadMode) {
    test::TempDir home;
    {
        auto store = platform::openSettingsStore(home.path());
        ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\V", "x"));
    }
    const auto file = home.path() / "Quorvel1.0" / "settings.db";
    ASSERT_TRUE(std::filesystem::is_regular_file(file));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* pragma = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &pragma, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(pragma), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(pragma, 0)), "wal");
    sqlite3_finalize(pragma);
    sqlite3_close(db);
}

}  // namespace
}  // namespace qv
