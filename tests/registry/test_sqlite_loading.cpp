#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/registry.h"
#include "platform/linux/sqlite_library.h"
#include "platform/linux/sqlite_settings_store.h"
#include "registry/store_support.h"

namespace qv {
namespace {

using platform::KeyAccess;
using platform::RegistryRoot;
using platform::ValueType;

/// Whether a mapping of a file whose path contains `fragment` is in this process.
bool mapped(const std::string& fragment) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(fragment) != std::string::npos) return true;
    }
    return false;
}

bool sqliteMapped() { return mapped("libsqlite3"); }

/// Puts the real library back for the next test, whatever this one loaded.
struct LoadingTest : ::testing::Test {
    void TearDown() override { platform::setSqliteLibraryFile(platform::kSqliteLibraryFile); }
};

TEST_F(LoadingTest, TheTestItselfDoesNotCarrySqlite) {
    // Without this every "no longer mapped" check below would be meaningless.
    EXPECT_FALSE(sqliteMapped());
}

struct Operation {
    const char* label;
    std::function<bool(platform::SettingsStore&)> run;
};

TEST_F(LoadingTest, EveryOperationLeavesNoLibraryBehind) {
    test::TempDir home;
    auto store = platform::openSettingsStore(home.path());
    const Operation operations[] = {
        {"read of a store with no file", [](auto& s) { return ReadRegistryNumber(s, 3, "Software\\Q\\N", 7) == 7; }},
        {"first write makes the file", [](auto& s) { return WriteRegistryText(s, 3, "Software\\Q\\V", "x"); }},
        {"second write", [](auto& s) { return WriteRegistryText(s, 3, "Software\\Q\\W", "y"); }},
        {"exists", [](auto& s) { return RegistryValueExists(s, 3, "Software\\Q\\V"); }},
        {"raw read", [](auto& s) { return test::readRaw(s, RegistryRoot::CurrentUser, "Software\\Q", "V") == std::string("x", 2); }},
        {"missing key", [](auto& s) { return !test::keyExists(s, RegistryRoot::CurrentUser, "Software\\None"); }},
        {"delete a value", [](auto& s) { return DeleteRegistryItem(s, 3, "Software\\Q\\V"); }},
        {"delete a missing key", [](auto& s) { return !s.deleteKey(RegistryRoot::CurrentUser, "Software\\None"); }},
        {"delete a key", [](auto& s) { return s.deleteKey(RegistryRoot::CurrentUser, "Software\\Q"); }},
        {"key is gone", [](auto& s) { return !test::keyExists(s, RegistryRoot::CurrentUser, "Software\\Q"); }},
    };
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.label);
        EXPECT_TRUE(operation.run(*store));
        EXPECT_FALSE(sqliteMapped());
        EXPECT_EQ(platform::sqliteLibraryUsers(), 0);
    }
}

TEST_F(LoadingTest, TheLibraryStaysWhileAKeyIsOpen) {
    test::TempDir home;
    auto store = platform::openSettingsStore(home.path());
    ASSERT_TRUE(WriteRegistryText(*store, 3, "Software\\Q\\V", "x"));

    const auto key = store->openKey(RegistryRoot::CurrentUser, "Software\\Q", KeyAccess::Read);
    ASSERT_TRUE(key);
    EXPECT_TRUE(sqliteMapped());
    EXPECT_TRUE(store->queryValue(*key, "V"));
    EXPECT_FALSE(store->queryValue(*key, "missing"));
    EXPECT_TRUE(store->queryValue(*key, "V")) << "a failed call must not drop an open key's connection";
    store->closeKey(*key);
    EXPECT_FALSE(sqliteMapped());
}

TEST_F(LoadingTest, TwoStoresShareOneLoadUntilBothAreDone) {
    test::TempDir homeA;
    test::TempDir homeB;
    platform::SqliteSettingsStore first(homeA.path() / "settings.db");
    platform::SqliteSettingsStore second(homeB.path() / "settings.db");

    const auto firstKey = first.createKey(RegistryRoot::CurrentUser, "Software\\A");
    const auto secondKey = second.createKey(RegistryRoot::CurrentUser, "Software\\B");
    ASSERT_TRUE(firstKey && secondKey);
    EXPECT_EQ(platform::sqliteLibraryUsers(), 2);

    first.closeKey(*firstKey);
    EXPECT_EQ(platform::sqliteLibraryUsers(), 1);
    EXPECT_TRUE(sqliteMapped());
    const std::string data = "still here";
    EXPECT_TRUE(second.setValue(*secondKey, "V", ValueType::Binary, std::as_bytes(std::span(data))));
    EXPECT_EQ(test::readRaw(first, RegistryRoot::CurrentUser, "Software\\A", "V"), std::nullopt);
    EXPECT_EQ(platform::sqliteLibraryUsers(), 1);

    second.closeKey(*secondKey);
    EXPECT_EQ(platform::sqliteLibraryUsers(), 0);
    EXPECT_FALSE(sqliteMapped());
    EXPECT_EQ(test::readRaw(second, RegistryRoot::CurrentUser, "Software\\B", "V"), data);
}

TEST_F(LoadingTest, AHoldKeepsTheLibraryAcrossCallsAndLetsItGoAfterwards) {
    test::TempDir home;
    auto store = platform::openSettingsStore(home.path());
    auto hold = platform::holdSettingsStores();
    EXPECT_EQ(platform::sqliteLibraryUsers(), 1);
    EXPECT_EQ(ReadRegistryNumber(*store, 3, "Software\\Q\\SkinID", 2), 2);
    EXPECT_TRUE(WriteRegistryText(*store, 3, "Software\\Q\\V", "x"));
    EXPECT_TRUE(RegistryValueExists(*store, 3, "Software\\Q\\V"));
    EXPECT_EQ(platform::sqliteLibraryUsers(), 1) << "no call let it go";
    EXPECT_TRUE(sqliteMapped());
    hold.reset();
    EXPECT_EQ(platform::sqliteLibraryUsers(), 0);
    EXPECT_FALSE(sqliteMapped());
    EXPECT_TRUE(RegistryValueExists(*store, 3, "Software\\Q\\V"));
    EXPECT_FALSE(sqliteMapped());

    platform::setSqliteLibraryFile("libquorvel-no-such-sqlite.so");
    auto failedHold = platform::holdSettingsStores();  // holds nothing
    EXPECT_EQ(platform::sqliteLibraryUsers(), 0);
    EXPECT_FALSE(RegistryValueExists(*store, 3, "Software\\Q\\V"));
}

TEST_F(LoadingTest, AStoreDestroyedWithKeysOpenLetsTheLibraryGo) {
    test::TempDir home;
    {
        platform::SqliteSettingsStore store(home.path() / "settings.db");
        ASSERT_TRUE(store.createKey(RegistryRoot::CurrentUser, "Software\\A"));
        EXPECT_TRUE(sqliteMapped());
    }
    EXPECT_EQ(platform::sqliteLibraryUsers(), 0);
    EXPECT_FALSE(sqliteMapped());
}

/// One statement's first column as an integer, through the store's own load.
std::optional<std::int64_t> queryNumber(const std::filesystem::path& file, const char* sql) {
    auto load = platform::loadSqliteLibrary();
    if (!load.library) return std::nullopt;
    const auto& sqlite = **load.library;
    sqlite3* db = nullptr;
    std::optional<std::int64_t> number;
    if (sqlite.open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite.prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
            const int rc = sqlite.step(statement);
            if (rc == SQLITE_ROW) number = sqlite.column_int64(statement, 0);
            if (rc == SQLITE_DONE) number = 0;
        }
        sqlite.finalize(statement);
    }
    sqlite.close(db);
    return number;
}

TEST_F(LoadingTest, AFileWithoutTheSchemaMarkIsStillUsedAndGainsIt) {
    // Files made before the mark was kept have user_version 0.
    test::TempDir home;
    const auto file = home.path() / "settings.db";
    platform::SqliteSettingsStore store(file);
    ASSERT_TRUE(WriteRegistryText(store, 3, "Software\\Q\\V", "x"));
    EXPECT_EQ(queryNumber(file, "PRAGMA user_version"), 1);
    ASSERT_EQ(queryNumber(file, "PRAGMA user_version = 0"), 0);

    EXPECT_TRUE(RegistryValueExists(store, 3, "Software\\Q\\V"));
    EXPECT_TRUE(WriteRegistryText(store, 3, "Software\\Q\\W", "y"));
    EXPECT_EQ(queryNumber(file, "PRAGMA user_version"), 1);
    EXPECT_EQ(queryNumber(file, "SELECT count(*) FROM settings_keys WHERE parent = 0"), 5)
        << "the roots, once each";
    EXPECT_EQ(platform::sqliteLibraryUsers(), 0);
}

const std::vector<std::string> kAllFunctions = {
    "sqlite3_open_v2",      "sqlite3_close",        "sqlite3_exec",        "sqlite3_prepare_v2",
    "sqlite3_finalize",     "sqlite3_bind_int64",   "sqlite3_bind_blob64", "sqlite3_bind_zeroblob",
    "sqlite3_step",         "sqlite3_column_int64", "sqlite3_column_blob", "sqlite3_column_bytes",
    "sqlite3_column_text",  "sqlite3_changes",      "sqlite3_busy_timeout", "sqlite3_shutdown",
};

std::string lacking(const std::string& file, const std::vector<std::string>& names) {
    std::string text = file + " lacks ";
    for (std::size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : ", ") + names[i];
    return text;
}

struct FailedLoad {
    const char* label;
    std::string file;
    std::string expectedError;  // the whole text, or its start when the rest is dlerror's
    bool wholeText;
};

std::vector<FailedLoad> failedLoads() {
    const std::string absent = "/nonexistent/libsqlite3.so.0";
    const std::string partial = QUORVEL_LACKING_LIBRARY;
    return {
        {"no such file", absent, "cannot load " + absent + ": " + absent, false},
        {"another library", "libz.so.1", lacking("libz.so.1", kAllFunctions), true},
        {"some functions", partial,
         lacking(partial, {"sqlite3_bind_zeroblob", "sqlite3_column_text", "sqlite3_shutdown"}), true},
    };
}

TEST_F(LoadingTest, AFailedLoadNamesWhatIsMissingOnceAndKeepsNothing) {
    for (const auto& load : failedLoads()) {
        SCOPED_TRACE(load.label);
        platform::setSqliteLibraryFile(load.file);
        ::testing::internal::CaptureStderr();
        const auto result = platform::loadSqliteLibrary();
        const std::string reported = ::testing::internal::GetCapturedStderr();

        EXPECT_FALSE(result.library);
        if (load.wholeText) {
            EXPECT_EQ(result.error, load.expectedError);
        } else {
            EXPECT_EQ(result.error.rfind(load.expectedError, 0), 0u) << result.error;
            EXPECT_GT(result.error.size(), load.expectedError.size()) << "dlerror's text is missing";
        }
        EXPECT_EQ(reported, "quorvel: settings store: " + result.error + "\n");
        EXPECT_EQ(platform::sqliteLibraryUsers(), 0);
        EXPECT_FALSE(mapped(std::filesystem::path(load.file).filename()));
    }
}

TEST_F(LoadingTest, AStoreWithoutItsLibraryFailsCleanlyAndRecoversLater) {
    test::TempDir home;
    auto store = platform::openSettingsStore(home.path());
    for (const auto& load : failedLoads()) {
        SCOPED_TRACE(load.label);
        platform::setSqliteLibraryFile(load.file);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(WriteRegistryText(*store, 3, "Software\\Q\\V", "x"));
        EXPECT_EQ(ReadRegistryNumber(*store, 3, "Software\\Q\\N", 7), 7);
        EXPECT_FALSE(RegistryValueExists(*store, 3, "Software\\Q\\V"));
        EXPECT_FALSE(DeleteRegistryItem(*store, 3, "Software\\Q\\V"));
        const std::string reported = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(reported.find(load.expectedError), std::string::npos) << reported;
        EXPECT_TRUE(std::filesystem::is_empty(home.path())) << "nothing made without the library";
    }

    platform::setSqliteLibraryFile(platform::kSqliteLibraryFile);
    EXPECT_TRUE(WriteRegistryText(*store, 3, "Software\\Q\\V", "x"));
    EXPECT_TRUE(RegistryValueExists(*store, 3, "Software\\Q\\V"));
    EXPECT_FALSE(sqliteMapped());
}

}  // namespace
}  // namespace qv
