#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>

#include "core/registry.h"
#include "registry/store_support.h"

// Several copies of the program on one store: what one writes, another reads
// after it ended; two write at once; one killed in the middle of its writes.

namespace qv {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;

constexpr auto kChildDeadline = 120s;

std::string itemPath(const std::string& prefix, long i) {
    return "Software\\Series\\Group" + std::to_string(i % 7) + "\\" + prefix + std::to_string(i) +
           "\\Item";
}

std::optional<std::string> itemData(platform::SettingsStore& store, const std::string& prefix,
                                    long i) {
    const auto split = SplitRegistryPath(itemPath(prefix, i));
    return test::readRaw(store, platform::RegistryRoot::CurrentUser, split.keyPath,
                         split.valueName);
}

std::string expectedData(const std::string& prefix, long i) {
    return prefix + "value" + std::to_string(i) + '\0';
}

ChildProcess startWriter(const test::TempDir& home, const std::string& prefix, long count) {
    return ChildProcess({QUORVEL_STORE_TOOL, home.path().string(), prefix, std::to_string(count)});
}

/// Every item from 0 up to (not including) the first missing one, each with
/// its own data; the count of them.
long countIntactPrefix(platform::SettingsStore& store, const std::string& prefix) {
    long i = 0;
    while (const auto data = itemData(store, prefix, i)) {
        EXPECT_EQ(*data, expectedData(prefix, i)) << i;
        ++i;
    }
    return i;
}

std::vector<std::string> queryColumn(const std::filesystem::path& file, const char* sql) {
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
            rows.push_back("error");
        }
        while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(statement, 0);
            rows.emplace_back(text == nullptr ? "" : reinterpret_cast<const char*>(text));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

TEST(StoreProcesses, WhatOneCopyWroteAnotherReadsAfterItEnded) {
    test::TempDir home;
    ChildProcess writer = startWriter(home, "p", 40);
    ASSERT_TRUE(writer.started());
    ASSERT_EQ(writer.waitForExit(), 0);

    auto store = platform::openSettingsStore(home.path());
    EXPECT_EQ(countIntactPrefix(*store, "p"), 40);
    EXPECT_FALSE(RegistryValueExists(*store, 3, itemPath("p", 40)));
}

TEST(StoreProcesses, TwoCopiesWritingAtOnceLoseNothing) {
    constexpr long kEach = 300;
    test::TempDir home;
    // The same groups are created by both, so their key creation collides.
    ChildProcess first = startWriter(home, "a", kEach);
    ChildProcess second = startWriter(home, "b", kEach);
    ASSERT_TRUE(first.started() && second.started());
    EXPECT_EQ(first.waitForExit(), 0);
    EXPECT_EQ(second.waitForExit(), 0);

    auto store = platform::openSettingsStore(home.path());
    EXPECT_EQ(countIntactPrefix(*store, "a"), kEach);
    EXPECT_EQ(countIntactPrefix(*store, "b"), kEach);
}

TEST(StoreProcesses, ACopyKilledMidWriteLeavesEverythingItFinished) {
    constexpr long kBeforeKill = 150;
    test::TempDir home;
    ChildProcess writer = startWriter(home, "k", -1);
    ASSERT_TRUE(writer.started());
    const auto deadline = std::chrono::steady_clock::now() + kChildDeadline;
    long acknowledged = -1;
    while (acknowledged + 1 < kBeforeKill) {
        const auto line = writer.readLine(deadline);
        ASSERT_TRUE(line) << "the writer stopped after " << acknowledged + 1 << " writes";
        acknowledged = std::stol(*line);
    }
    writer.kill(SIGKILL);
    ASSERT_EQ(writer.waitForExit(), 128 + SIGKILL);
    // The writer went on until the signal; its last report is still in the pipe.
    while (const auto line = writer.readLine(deadline)) acknowledged = std::stol(*line);

    const auto file = home.path() / "Quorvel1.0" / "settings.db";
    EXPECT_EQ(queryColumn(file, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    EXPECT_TRUE(queryColumn(file, "PRAGMA foreign_key_check").empty());
    // Every key's parent is there: no half-made path survived.
    EXPECT_TRUE(queryColumn(file,
                            "SELECT path FROM settings_keys k WHERE parent <> 0 AND NOT EXISTS "
                            "(SELECT 1 FROM settings_keys p WHERE p.id = k.parent)")
                    .empty());

    auto store = platform::openSettingsStore(home.path());
    const long intact = countIntactPrefix(*store, "k");
    EXPECT_GT(intact, acknowledged);
    // At most the one write in flight may have landed beyond what was reported.
    EXPECT_LE(intact, acknowledged + 2);
    EXPECT_FALSE(itemData(*store, "k", intact + 1));
    EXPECT_TRUE(WriteRegistryText(*store, 3, itemPath("after", 0), "x"));
}

}  // namespace
}  // namespace qv
