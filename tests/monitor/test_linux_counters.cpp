#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <ctime>

#include "monitor/sampler.h"
#include "platform/counters.h"
#include "platform/linux/counters_proc.h"

namespace qv {
namespace {

using namespace platform::linuxproc;

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * 1024;

std::string fixture(const char* name) { return std::string(QUORVEL_PROC_FIXTURES) + "/" + name; }

platform::MEMORYSTATUSEX extendedStatus(platform::Counters& counters) {
    platform::MEMORYSTATUSEX status;
    status.dwLength = platform::kMemoryStatusExBytes;
    counters.findGlobalMemoryStatusEx()(status);
    return status;
}

template <std::size_t N>
std::int32_t querySystem(platform::Counters& counters, platform::SystemInformationClass infoClass,
                         std::array<std::byte, N>& buffer) {
    return counters.findNtQuerySystemInformation()(infoClass, buffer);
}

std::uint64_t load64(const std::byte* bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    return value;
}

struct CpuCounters {
    std::int32_t status = -1;
    std::uint32_t processors = 0;
    std::uint64_t idle100ns = 0;
};

CpuCounters cpuCounters(platform::Counters& counters) {
    using platform::SystemInformationClass;
    CpuCounters result;
    std::array<std::byte, platform::kBasicInformationBytes> basic{};
    std::array<std::byte, platform::kPerformanceInformationBytes> performance{};
    result.status = querySystem(counters, SystemInformationClass::Basic, basic) |
                    querySystem(counters, SystemInformationClass::Performance, performance);
    result.processors = static_cast<std::uint32_t>(basic[platform::kProcessorCountOffset]);
    result.idle100ns = load64(performance.data() + platform::kIdleTimeOffset);
    return result;
}

std::uint64_t ticks100ns(std::uint64_t ticks) {
    return ticks * 10'000'000 / static_cast<std::uint64_t>(sysconf(_SC_CLK_TCK));
}

// ---- parsers ----

TEST(MemInfoText, Fields) {
    struct Case {
        const char* name;
        const char* text;
        std::optional<MemInfo> info;
    };
    const Case cases[] = {
        {"current kernel", "MemTotal: 100 kB\nMemFree: 10 kB\nMemAvailable: 60 kB\nCommitLimit: 80 kB\n"
                           "Committed_AS: 20 kB\n",
         MemInfo{100 * kKiB, 60 * kKiB, 80 * kKiB, 20 * kKiB}},
        {"no MemAvailable", "MemTotal: 100 kB\nMemFree: 10 kB\nBuffers: 5 kB\nCached: 7 kB\n",
         MemInfo{100 * kKiB, 22 * kKiB, 0, 0}},
        {"available above total", "MemTotal: 100 kB\nMemAvailable: 150 kB", MemInfo{100 * kKiB, 100 * kKiB, 0, 0}},
        {"similar names are not taken", "MemTotalX: 5 kB\nMemTotal: 9 kB\nXMemAvailable: 3 kB\n",
         MemInfo{9 * kKiB, 0, 0, 0}},
        {"no total", "MemFree: 10 kB\nMemAvailable: 6 kB\n", std::nullopt},
        {"total not a number", "MemTotal: lots\n", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto info = parseMemInfo(c.text);
        ASSERT_EQ(info.has_value(), c.info.has_value()) << c.name;
        if (!info) continue;
        EXPECT_EQ(info->totalPhys, c.info->totalPhys) << c.name;
        EXPECT_EQ(info->availPhys, c.info->availPhys) << c.name;
        EXPECT_EQ(info->commitLimit, c.info->commitLimit) << c.name;
        EXPECT_EQ(info->committed, c.info->committed) << c.name;
    }
}

TEST(StatusText, VmSize) {
    EXPECT_EQ(parseVmSize("Name:\tx\nVmPeak:\t  9 kB\nVmSize:\t  3060 kB\n"), 3060 * kKiB);
    EXPECT_EQ(parseVmSize("Name:\tkthreadd\nState:\tS\n"), std::nullopt);  // kernel threads have none
}

TEST(StatmText, FirstFieldInPages) {
    EXPECT_EQ(parseStatmSize("765 300 200 10 0 120 0\n", 4096), 765u * 4096);
    EXPECT_EQ(parseStatmSize("", 4096), std::nullopt);
    EXPECT_EQ(parseStatmSize("x 1 2", 4096), std::nullopt);
}

TEST(StatText, SumsIdleAndIowaitOfTheProcessorLines) {
    struct Case {
        const char* name;
        const char* text;
        std::optional<std::uint64_t> ticks;
        std::uint32_t processors;
    };
    const Case cases[] = {
        {"two processors", "cpu  9 9 9 99 99\ncpu0 1 2 3 40 5 6 7\ncpu1 1 2 3 50 6 7 8\nintr 5\n", 101, 2},
        {"no iowait field", "cpu0 1 2 3 40\ncpu1 1 2 3 50\n", 90, 2},
        {"gaps in the numbering", "cpu0 0 0 0 1 1\ncpu5 0 0 0 2 2\n", 6, 2},
        {"no final newline", "cpu0 0 0 0 7 1", 8, 1},
        {"aggregate line only", "cpu  1 2 3 4 5\n", std::nullopt, 0},
        {"short line", "cpu0 1 2 3\n", std::nullopt, 0},
        {"empty", "", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        const auto idle = parseCpuIdle(c.text);
        ASSERT_EQ(idle.has_value(), c.ticks.has_value()) << c.name;
        if (!idle) continue;
        EXPECT_EQ(idle->idleTicks, *c.ticks) << c.name;
        EXPECT_EQ(idle->processors, c.processors) << c.name;
    }
}

TEST(TicksTo100ns, Scales) {
    EXPECT_EQ(ticksTo100ns(100, 100), 10'000'000u);
    EXPECT_EQ(ticksTo100ns(1, 100), 100'000u);
    EXPECT_EQ(ticksTo100ns(7, 1000), 70'000u);
    EXPECT_EQ(ticksTo100ns(8'000'000'000'000, 100), 800'000'000'000'000'000u);  // 256 cpus, 10 years
    EXPECT_EQ(ticksTo100ns(5, 0), 0u);
}

TEST(FindAddressSpaceEnd, Bisection) {
    for (std::uint64_t end : {(1ull << 47) - 4096, (1ull << 56) - 4096, 3ull << 30, 1ull << 63}) {
        int probes = 0;
        const auto found = findAddressSpaceEnd(
            [&](std::uint64_t address) {
                ++probes;
                return address < end;
            },
            4096);
        EXPECT_EQ(found, end);
        EXPECT_LE(probes, 54);
    }
}

// ---- recorded and hand-made /proc trees ----

TEST(LinuxCounters, RecordedAndOddTrees) {
    const auto pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    struct Case {
        const char* tree;
        std::uint64_t totalPhys, availPhys, totalPageFile, availPageFile, vmSize;
        std::int32_t status;
        std::uint32_t processors;
        std::uint64_t idleTicks;
    };
    const Case cases[] = {
        {"recorded", 24683676 * kKiB, 24308032 * kKiB, 12341836 * kKiB, (12341836 - 80252) * kKiB,
         3060 * kKiB, 0, 2, 192981 + 51 + 190856 + 402},
        {"old-kernel", 2096128 * kKiB, 512 * kMiB, 3 * 1024 * kMiB, 2 * 1024 * kMiB, 512 * kMiB, 0, 4, 4000},
        {"overcommitted-64g", 64 * 1024 * kMiB, 4 * 1024 * kMiB, 32 * 1024 * kMiB, 0, 1024 * kMiB, 0, 2, 50},
        // statm (2 pages) is read before status (4 kB)
        {"offline-cpu", 4 * 1024 * kMiB, 1024 * kMiB, 2 * 1024 * kMiB, 1024 * kMiB, 2 * pageSize, 0, 3, 8100},
        // 2 TiB of memory, more processors than the record's byte can count,
        // a /proc/stat longer than one read buffer
        {"many-cpus", 2113929216 * kKiB, 1056964608 * kKiB, 1056964608 * kKiB, (1056964608 - 1048576) * kKiB,
         64 * kMiB, 0, 255, 600 * 10},
        {"broken", 0, 0, 0, 0, 0, -1, 0, 0},
        {"missing", 0, 0, 0, 0, 0, -1, 0, 0},
    };
    for (const auto& c : cases) {
        auto counters = platform::makeSystemCounters(fixture(c.tree));
        const auto status = extendedStatus(*counters);
        EXPECT_EQ(status.ullTotalPhys, c.totalPhys) << c.tree;
        EXPECT_EQ(status.ullAvailPhys, c.availPhys) << c.tree;
        EXPECT_EQ(status.ullTotalPageFile, c.totalPageFile) << c.tree;
        EXPECT_EQ(status.ullAvailPageFile, c.availPageFile) << c.tree;
        EXPECT_EQ(status.ullTotalVirtual - status.ullAvailVirtual, c.vmSize) << c.tree;

        const auto cpu = cpuCounters(*counters);
        EXPECT_EQ(cpu.status == 0 ? 0 : -1, c.status) << c.tree;
        EXPECT_EQ(cpu.processors, c.processors) << c.tree;
        EXPECT_EQ(cpu.idle100ns, ticks100ns(c.idleTicks)) << c.tree;
    }
}

TEST(LinuxCounters, PlainRecordSaturatesAboveFourGibibytes) {
    auto counters = platform::makeSystemCounters(fixture("overcommitted-64g"));
    Sampler sampler(*counters);
    EXPECT_EQ(sampler.QueryMemorySize(MemorySizeKind::TotalPhys), 65536) << "extended record";
    MEMORYSTATUS plain;
    plain.dwLength = platform::kMemoryStatusBytes;
    counters->globalMemoryStatus(plain);
    EXPECT_EQ(plain.dwLength, 32u);
    EXPECT_EQ(plain.dwTotalPhys, UINT32_MAX);
    EXPECT_EQ(plain.dwAvailPhys, UINT32_MAX);
    EXPECT_EQ(plain.dwAvailPageFile, 0u);
    EXPECT_EQ(plain.dwMemoryLoad, 93u);
}

TEST(LinuxCounters, UnreadableTreeGivesZerosAndAnUnreadableProcessor) {
    auto counters = platform::makeSystemCounters(fixture("missing"));
    Sampler sampler(*counters);
    EXPECT_EQ(sampler.QueryMemorySize(MemorySizeKind::TotalPhys), 0);
    EXPECT_EQ(sampler.QueryMemorySize(MemorySizeKind::AvailPhys), 0);
    EXPECT_EQ(sampler.QueryCpuUsage(), -1);
}

TEST(LinuxCounters, WrongBufferLengthIsRefused) {
    auto counters = platform::makeSystemCounters();
    std::array<std::byte, 40> tooShort{};
    for (auto infoClass : {platform::SystemInformationClass::Basic, platform::SystemInformationClass::Performance,
                           platform::SystemInformationClass::TimeOfDay}) {
        EXPECT_NE(querySystem(*counters, infoClass, tooShort), 0);
    }
}

// ---- this machine ----

std::uint64_t independentMemInfoKiB(const char* key) {
    std::ifstream file("/proc/meminfo");
    std::string name;
    std::uint64_t value = 0;
    std::string unit;
    while (file >> name >> value) {
        std::getline(file, unit);
        if (name == std::string(key) + ":") return value;
    }
    return 0;
}

std::uint64_t independentVmSizeKiB() {
    std::ifstream file("/proc/self/status");
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7));
    }
    return 0;
}

/// idle + iowait of the aggregate line, in ticks.
std::uint64_t independentIdleTicks() {
    std::ifstream file("/proc/stat");
    std::string name;
    std::uint64_t user, nice, system, idle, iowait;
    file >> name >> user >> nice >> system >> idle >> iowait;
    return idle + iowait;
}

std::uint64_t highestMappingEnd() {
    std::ifstream file("/proc/self/maps");
    std::string line;
    std::uint64_t highest = 0;
    while (std::getline(file, line)) {
        if (line.find("[vsyscall]") != std::string::npos) continue;
        const auto dash = line.find('-');
        highest = std::max<std::uint64_t>(highest, std::stoull(line.substr(dash + 1), nullptr, 16));
    }
    return highest;
}

bool hasFiveLevelPaging() {
    std::ifstream file("/proc/cpuinfo");
    std::string word;
    while (file >> word) {
        if (word == "la57") return true;
    }
    return false;
}

TEST(LinuxCounters, AgreeWithProcReadIndependently) {
    auto counters = platform::makeSystemCounters();
    Sampler sampler(*counters);
    EXPECT_EQ(sampler.QueryMemorySize(MemorySizeKind::TotalPhys),
              static_cast<std::int32_t>(independentMemInfoKiB("MemTotal") / 1024));
    const auto available = static_cast<std::int64_t>(independentMemInfoKiB("MemAvailable") / 1024);
    EXPECT_NEAR(sampler.QueryMemorySize(MemorySizeKind::AvailPhys), available, 256);
    EXPECT_EQ(sampler.QueryMemorySize(MemorySizeKind::TotalPageFile),
              static_cast<std::int32_t>(independentMemInfoKiB("CommitLimit") / 1024));
    EXPECT_EQ(sampler.memoryStatusMode(), MemoryStatusMode::Extended);

    const auto status = extendedStatus(*counters);
    const std::uint64_t vmSize = independentVmSizeKiB() * kKiB;
    EXPECT_NEAR(static_cast<double>(status.ullTotalVirtual - status.ullAvailVirtual),
                static_cast<double>(vmSize), 16.0 * kMiB);
}

TEST(LinuxCounters, UserAddressSpaceIsDetected) {
    auto counters = platform::makeSystemCounters();
    const auto total = extendedStatus(*counters).ullTotalVirtual;
    const auto pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    EXPECT_EQ(total % pageSize, 0u);
    EXPECT_GE(total, highestMappingEnd());
#if defined(__x86_64__)
    if (!hasFiveLevelPaging()) {
        EXPECT_EQ(total, (1ull << 47) - 4096);  // 128 TiB - 4 KiB
    }
#endif
}

TEST(LinuxCounters, ProcessorCountAndIdleTimeMatchProcStat) {
    auto counters = platform::makeSystemCounters();
    const auto before = independentIdleTicks();
    const auto cpu = cpuCounters(*counters);
    const auto after = independentIdleTicks();
    ASSERT_EQ(cpu.status, 0);
    EXPECT_EQ(cpu.processors, static_cast<std::uint32_t>(sysconf(_SC_NPROCESSORS_ONLN)));
    // per-processor lines round each figure down, the aggregate rounds the sum
    EXPECT_GE(cpu.idle100ns + ticks100ns(cpu.processors), ticks100ns(before));
    EXPECT_LE(cpu.idle100ns, ticks100ns(after));
}

TEST(LinuxCounters, SystemTimeIsMonotonicIn100ns) {
    auto counters = platform::makeSystemCounters();
    auto monotonic100ns = [] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::uint64_t>(now.tv_sec) * 10'000'000 + static_cast<std::uint64_t>(now.tv_nsec) / 100;
    };
    std::array<std::byte, platform::kTimeOfDayInformationBytes> timeOfDay{};
    const auto before = monotonic100ns();
    ASSERT_EQ(querySystem(*counters, platform::SystemInformationClass::TimeOfDay, timeOfDay), 0);
    const auto after = monotonic100ns();
    const auto reported = load64(timeOfDay.data() + platform::kCurrentTimeOffset);
    EXPECT_GE(reported, before);
    EXPECT_LE(reported, after);
}

TEST(LinuxCounters, FirstProcessorQueryWaitsForItsSecondSample) {
    auto counters = platform::makeSystemCounters();
    Sampler sampler(*counters);
    const auto start = std::chrono::steady_clock::now();
    const auto usage = sampler.QueryCpuUsage();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds{800});
    EXPECT_GE(usage, 0);
    EXPECT_LE(usage, 100);
    EXPECT_NE(sampler.cpuUsageState().lastIdleTime, 0);
}

}  // namespace
}  // namespace qv
