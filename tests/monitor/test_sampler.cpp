#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fake_counters.h"
#include "monitor/sampler.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using test::FakeCounters;
using test::kMiB;

constexpr std::int64_t kSecond = 10'000'000;  // 100 ns units

TEST(MegabytesOf, TruncatesAndKeepsTheLow32BitsSigned) {
    struct Case {
        std::uint64_t bytes;
        std::int32_t megabytes;
    };
    const Case cases[] = {
        {0, 0},
        {1'048'575, 0},
        {1'048'576, 1},
        {2'146'435'072, 2047},
        {8ull << 30, 8192},
        {(1ull << 51), std::numeric_limits<std::int32_t>::min()},  // 2^31 MB
        {(1ull << 52) + 5 * kMiB, 5},                              // 2^32 MB wraps
        {UINT64_MAX, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(MegabytesOf(c.bytes), c.megabytes) << c.bytes;
}

TEST(CounterToDouble, HighHalfSignedLowHalfUnsigned) {
    EXPECT_EQ(CounterToDouble(0), 0.0);
    EXPECT_EQ(CounterToDouble(0xFFFFFFFFll), 4294967295.0);
    EXPECT_EQ(CounterToDouble(0x1'0000'0000ll), 4294967296.0);
    EXPECT_EQ(CounterToDouble(-1), -1.0);
    EXPECT_EQ(CounterToDouble(133'000'000'000'000'000ll), 133'000'000'000'000'000.0);
}

TEST(ComputeCpuUsage, UsageArithmetic) {
    struct Case {
        const char* name;
        CpuSample previous, current;
        std::uint8_t processors;
        std::optional<std::int32_t> usage;
    };
    const std::int64_t base = 5'000'000'000;  // counters are never small
    const Case cases[] = {
        {"two cpus, 1.5 s idle of 1 s: 25.5", {base, base}, {base + 15'000'000, base + kSecond}, 2, 25},
        {"idle share 100.4: 0.1", {base, base}, {base + 10'040'000, base + kSecond}, 1, 0},
        {"idle share 101.7 clamped, not -1", {base, base}, {base + 10'170'000, base + kSecond}, 1, 0},
        {"all idle", {base, base}, {base + 2 * kSecond, base + kSecond}, 2, 0},
        {"all busy", {base, base}, {base, base + kSecond}, 2, 100},
        {"idle counter went back: clamped to 100", {base, base}, {base - kSecond, base + kSecond}, 1, 100},
        {"half busy rounds half up", {base, base}, {base + 5'050'000, base + kSecond}, 1, 50},
        {"counters past 32 bits", {0x1'2345'6789ll, 0x7'0000'0000ll},
         {0x1'2345'6789ll + 3 * kSecond, 0x7'0000'0000ll + kSecond}, 4, 25},
        {"no processors reported", {base, base}, {base + kSecond, base + kSecond}, 0, 0},
        {"no time passed", {base, base}, {base + 1000, base}, 2, std::nullopt},
        {"clock set back", {base, base}, {base, base - kSecond}, 2, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComputeCpuUsage(c.previous, c.current, c.processors), c.usage) << c.name;
    }
}

platform::MEMORYSTATUSEX extendedRecord() {
    platform::MEMORYSTATUSEX record;
    record.ullTotalPhys = 8ull << 30;
    record.ullAvailPhys = 3 * kMiB + 12;
    record.ullTotalVirtual = 2047 * kMiB;
    record.ullAvailVirtual = 2000 * kMiB;
    record.ullTotalPageFile = 9000 * kMiB;
    record.ullAvailPageFile = 4 * kMiB - 1;
    return record;
}

TEST(QueryMemorySize, ExtendedRecordByKind) {
    FakeCounters counters;
    counters.extendedRecords = {extendedRecord()};
    Sampler sampler(counters);
    struct Case {
        std::int32_t kind;
        std::int32_t megabytes;
    };
    const Case cases[] = {{0, 8192}, {1, 3}, {2, 2047}, {3, 2000}, {4, 9000},
                          {5, 3},    {6, 8192}, {100, 8192}, {-1, 8192}};
    for (const auto& c : cases) {
        EXPECT_EQ(sampler.QueryMemorySize(static_cast<MemorySizeKind>(c.kind)), c.megabytes) << c.kind;
    }
    EXPECT_EQ(sampler.QueryMemorySize(), 8192);
    EXPECT_EQ(sampler.memoryStatusMode(), MemoryStatusMode::Extended);
    for (auto length : counters.extendedLengths) EXPECT_EQ(length, 64u);
    EXPECT_TRUE(counters.plainLengths.empty());
}

TEST(QueryMemorySize, PlainRecordWhenTheExtendedCallIsNotWanted) {
    struct Case {
        const char* name;
        std::optional<platform::OsVersion> version;
        bool hasEntry;
    };
    const Case cases[] = {
        {"major version 4", platform::OsVersion{4, 10, 1}, true},
        {"version query fails", std::nullopt, true},
        {"entry point missing", platform::OsVersion{5, 1, 2}, false},
    };
    for (const auto& c : cases) {
        FakeCounters counters;
        counters.basicVersion = c.version;
        counters.hasMemoryStatusEx = c.hasEntry;
        counters.plainRecord.dwTotalPhys = 2'146'435'072;
        counters.plainRecord.dwAvailVirtual = 1'048'575;
        Sampler sampler(counters);
        EXPECT_EQ(sampler.QueryMemorySize(MemorySizeKind::TotalPhys), 2047) << c.name;
        EXPECT_EQ(sampler.QueryMemorySize(MemorySizeKind::AvailVirtual), 0) << c.name;
        EXPECT_EQ(sampler.memoryStatusMode(), MemoryStatusMode::Plain) << c.name;
        EXPECT_EQ(counters.plainLengths, (std::vector<std::uint32_t>{32, 32})) << c.name;
        EXPECT_TRUE(counters.extendedLengths.empty()) << c.name;
    }
}

TEST(QueryMemorySize, ModeIsDecidedOnceWithTheBasicVersionRecord) {
    FakeCounters counters;
    Sampler sampler(counters);
    EXPECT_EQ(sampler.memoryStatusMode(), MemoryStatusMode::Undecided);
    sampler.QueryMemorySize();
    counters.basicVersion = platform::OsVersion{4, 0, 1};
    counters.hasMemoryStatusEx = false;
    sampler.QueryMemorySize();
    sampler.QueryMemorySize(MemorySizeKind::AvailPhys);
    EXPECT_EQ(sampler.memoryStatusMode(), MemoryStatusMode::Extended);
    EXPECT_EQ(counters.log, (std::vector<std::string>{"version 148", "find GlobalMemoryStatusEx"}));
    EXPECT_EQ(counters.extendedLengths.size(), 3u);
}

TEST(QueryMemorySize, AFreshSamplerDecidesAgain) {
    FakeCounters counters;
    Sampler(counters).QueryMemorySize();
    counters.basicVersion = platform::OsVersion{4, 0, 1};
    Sampler fresh(counters);
    fresh.QueryMemorySize();
    EXPECT_EQ(fresh.memoryStatusMode(), MemoryStatusMode::Plain);
}

// ---- processor usage, NT family ----

TEST(QueryCpuUsage, FirstCallWaitsAndMeasuresOverTheWait) {
    FakeCounters counters;
    const std::int64_t wait = 8'000'000;  // 800 ms
    counters.samples = {{900'000'000, 1'000'000'000},
                        {900'000'000 + 6'000'000, 1'000'000'000 + wait},    // 2 cpus, 62.5 % idle
                        {900'000'000 + 6'000'000 + 10'000'000, 1'000'000'000 + wait + kSecond}};
    Sampler sampler(counters);
    EXPECT_EQ(sampler.QueryCpuUsage(), 63);  // 100 - 37.5 + 0.5
    EXPECT_EQ(counters.sleeps, (std::vector<std::chrono::milliseconds>{800ms}));
    EXPECT_EQ(sampler.cpuUsageState().lastIdleTime, 906'000'000);
    EXPECT_EQ(sampler.cpuUsageState().lastSystemTime, 1'000'000'000 + wait);

    EXPECT_EQ(sampler.QueryCpuUsage(), 50);
    EXPECT_EQ(counters.sleeps.size(), 1u) << "later calls return at once";
}

TEST(QueryCpuUsage, QueriesInOrderAndLooksUpTheEntryOnEveryCall) {
    FakeCounters counters;
    counters.samples = {{100, 0}, {100 + kSecond, kSecond}, {100 + kSecond, 2 * kSecond}};
    Sampler sampler(counters);
    sampler.QueryCpuUsage();
    counters.log.clear();
    EXPECT_EQ(sampler.QueryCpuUsage(), 100);
    EXPECT_EQ(counters.log, (std::vector<std::string>{"version 156", "find NtQuerySystemInformation"}));
}

TEST(QueryCpuUsage, FirstSampleWaitRepeatsWhileTheStoredIdleTimeIsZero) {
    FakeCounters counters;
    counters.samples = {{0, 1000}, {0, 1000 + kSecond}, {500, 1000 + 2 * kSecond},
                        {500 + kSecond, 1000 + 3 * kSecond}};
    Sampler sampler(counters);
    EXPECT_EQ(sampler.QueryCpuUsage(), 50);  // measured from the third sample to the fourth
    EXPECT_EQ(counters.sleeps.size(), 3u);
    EXPECT_EQ(sampler.cpuUsageState().lastIdleTime, 500 + kSecond);
}

TEST(QueryCpuUsage, ZeroTimeDifferenceAnswersThePreviousFigure) {
    FakeCounters counters;
    counters.samples = {{1000, 0}, {1000, 0}};  // the clock stands still over the wait
    Sampler sampler(counters);
    EXPECT_EQ(sampler.QueryCpuUsage(), 0) << "no figure yet";

    FakeCounters later;
    later.samples = {{1000, 0}, {1000 + kSecond / 4, kSecond}, {1000 + kSecond / 4, kSecond}};
    Sampler measured(later);
    EXPECT_EQ(measured.QueryCpuUsage(), 88);
    EXPECT_EQ(measured.QueryCpuUsage(), 88) << "same time stamp again";
    EXPECT_EQ(measured.cpuUsageState().lastSystemTime, kSecond);
}

TEST(QueryCpuUsage, FailuresAnswerMinusOneAndKeepTheState) {
    using platform::SystemInformationClass;
    struct Case {
        const char* name;
        bool hasEntry;
        std::set<SystemInformationClass> failing;
    };
    const Case cases[] = {
        {"entry point missing", false, {}},
        {"processor count", true, {SystemInformationClass::Basic}},
        {"system time", true, {SystemInformationClass::TimeOfDay}},
        {"idle time", true, {SystemInformationClass::Performance}},
    };
    for (const auto& c : cases) {
        FakeCounters counters;
        counters.samples = {{100, 0}, {100 + kSecond, kSecond}, {100 + kSecond, 2 * kSecond}};
        Sampler sampler(counters);
        ASSERT_EQ(sampler.QueryCpuUsage(), 50) << c.name;
        const CpuUsageState before = sampler.cpuUsageState();
        counters.hasNtQuery = c.hasEntry;
        counters.failingClasses = c.failing;
        EXPECT_EQ(sampler.QueryCpuUsage(), -1) << c.name;
        EXPECT_EQ(sampler.cpuUsageState().lastIdleTime, before.lastIdleTime) << c.name;
        EXPECT_EQ(sampler.cpuUsageState().lastSystemTime, before.lastSystemTime) << c.name;
    }
}

TEST(QueryCpuUsage, FailureDuringTheFirstWaitKeepsTheStoredSample) {
    FakeCounters counters;
    counters.samples = {{700, 300}, {800, 400}};
    counters.failAfterSamples = 1;
    Sampler sampler(counters);
    EXPECT_EQ(sampler.QueryCpuUsage(), -1);
    EXPECT_EQ(sampler.cpuUsageState().lastIdleTime, 700);
    EXPECT_EQ(sampler.cpuUsageState().lastSystemTime, 300);
    EXPECT_EQ(counters.sleeps.size(), 1u);
}

// ---- processor usage, 9x family ----

TEST(QueryCpuUsage, FamilyIsDecidedOnEveryCall) {
    struct Case {
        const char* name;
        std::optional<platform::OsVersion> extended, basic;
        bool ntPath;
    };
    const Case cases[] = {
        {"extended record, NT", platform::OsVersion{4, 0, 2}, std::nullopt, true},
        {"basic record after a failure, NT", std::nullopt, platform::OsVersion{3, 51, 2}, true},
        {"both records fail", std::nullopt, std::nullopt, false},
        {"9x platform id", platform::OsVersion{4, 10, 1}, platform::OsVersion{4, 10, 2}, false},
    };
    for (const auto& c : cases) {
        FakeCounters counters;
        counters.extendedVersion = c.extended;
        counters.basicVersion = c.basic;
        counters.statDataValue = 37;
        counters.samples = {{100, 0}, {100 + kSecond, kSecond}};
        Sampler sampler(counters);
        EXPECT_EQ(sampler.QueryCpuUsage(), c.ntPath ? 50 : 37) << c.name;
    }
}

TEST(QueryCpuUsage, NinetyFivePathStartsReadsWaitsAndStops) {
    FakeCounters counters;
    counters.extendedVersion = counters.basicVersion = std::nullopt;
    counters.statDataValue = 42;
    Sampler sampler(counters);
    EXPECT_EQ(sampler.QueryCpuUsage(), 42);
    const std::vector<std::string> expected = {
        "version 156",
        "version 148",
        "open PerfStats\\StartStat all",
        "query PerfStats\\StartStat KERNEL\\CPUUsage",
        "close PerfStats\\StartStat",
        "open PerfStats\\StatData read",
        "query PerfStats\\StatData KERNEL\\CPUUsage",
        "sleep 500",
        "close PerfStats\\StatData",
        "open PerfStats\\StopStat all",
        "query PerfStats\\StopStat KERNEL\\CPUUsage",
        "close PerfStats\\StopStat",
    };
    EXPECT_EQ(counters.log, expected);
}

TEST(QueryCpuUsage, NinetyFivePathFailsWhenAKeyDoesNotOpen) {
    for (const char* key : {"PerfStats\\StartStat", "PerfStats\\StatData", "PerfStats\\StopStat"}) {
        FakeCounters counters;
        counters.extendedVersion = counters.basicVersion = std::nullopt;
        counters.statDataValue = 42;
        counters.keyOpenResults[key] = 5;
        Sampler sampler(counters);
        EXPECT_EQ(sampler.QueryCpuUsage(), -1) << key;
    }
}

TEST(QueryCpuUsage, NinetyFiveFigureIsKeptWithinPercent) {
    struct Case {
        std::uint32_t value;
        std::int32_t usage;
    };
    const Case cases[] = {{0, 0}, {100, 100}, {0xFFFFFFFFu, 0}, {250, 100}};
    for (const auto& c : cases) {
        FakeCounters counters;
        counters.extendedVersion = counters.basicVersion = std::nullopt;
        counters.statDataValue = c.value;
        Sampler sampler(counters);
        EXPECT_EQ(sampler.QueryCpuUsage(), c.usage) << c.value;
    }
}

}  // namespace
}  // namespace qv
