#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "optimize/trim_pass.h"
#include "platform/linux/processes_proc.h"
#include "platform/processes.h"
#include "ui/plain_controls.h"
#include "workload_child.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
namespace proctrim = platform::proctrim;
using namespace std::chrono_literals;
using platform::PhysicalMemory;
using platform::ProcessApi;
using platform::ProcessHandle;
using test::kMiB;

// ---------------------------------------------------------------------------
// Parsers and the pieces they feed

TEST(ParseMemInfo, ReadsTheFiguresInBytes) {
    const auto info = proctrim::parseMemInfo(
        "MemTotal:       24684328 kB\nMemFree:        23000000 kB\n"
        "MemAvailable:   23500000 kB\nMapped:           300000 kB\nSwapTotal:       1000 kB\n"
        "SwapFree:          10 kB\n");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->totalBytes, 24684328ull * 1024);
    EXPECT_EQ(info->availableBytes, 23500000ull * 1024);
    EXPECT_EQ(info->mappedBytes, 300000ull * 1024);
    EXPECT_EQ(proctrim::availableOutsideWorkingSets(*info), 23200000ull * 1024);
    EXPECT_EQ(info->swapTotalBytes, 1000ull * 1024);
    EXPECT_EQ(info->swapFreeBytes, 10ull * 1024);
}

TEST(ParseMemInfo, RefusesTextsWithoutBothPhysicalFigures) {
    const char* texts[] = {
        "",
        "MemTotal: 1000 kB\n",
        "MemAvailable: 1000 kB\n",
        "MemTotal: x kB\nMemAvailable: 10 kB\n",
        "MemTotalX: 1000 kB\nMemAvailable: 10 kB\n",
        "MemTotal: 99999999999999999999 kB\nMemAvailable: 10 kB\n",
    };
    for (const char* text : texts) EXPECT_FALSE(proctrim::parseMemInfo(text)) << text;
}

TEST(ParseMemInfo, AvailableNeverExceedsTotal) {
    const auto info = proctrim::parseMemInfo("MemAvailable: 20 kB\nMemTotal: 10 kB\n");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->availableBytes, 10u * 1024);
}

TEST(FillMemoryStatus, CountsMappedPagesAsUsedAndSaturatesBeyond32Bits) {
    struct Case {
        proctrim::MemInfo info;  // total, available, mapped, swap total, swap free
        MEMORYSTATUS expected;
    };
    constexpr std::uint32_t kAll = 0xFFFFFFFF;
    const Case cases[] = {
        {{2000 * kMiB, 500 * kMiB, 0, 0, 0},
         {32, 75, 2000 * kMiB, 500 * kMiB, 2000 * kMiB, 500 * kMiB, kAll, kAll}},
        {{2000 * kMiB, 700 * kMiB, 200 * kMiB, 0, 0},
         {32, 75, 2000 * kMiB, 500 * kMiB, 2000 * kMiB, 500 * kMiB, kAll, kAll}},
        {{2000 * kMiB, 100 * kMiB, 300 * kMiB, 0, 0}, {32, 100, 2000 * kMiB, 0, 2000 * kMiB, 0, kAll, kAll}},
        {{24ull << 30, 23ull << 30, 0, 0, 0}, {32, 4, kAll, kAll, kAll, kAll, kAll, kAll}},
        {{3ull << 30, 2ull << 30, 0, 2ull << 30, 2ull << 30},
         {32, 33, 3u << 30, 2u << 30, kAll, kAll, kAll, kAll}},
        {{0, 0, 0, 0, 0}, {32, 0, 0, 0, 0, 0, kAll, kAll}},
    };
    for (const Case& c : cases) {
        MEMORYSTATUS record;
        proctrim::fillMemoryStatus(c.info, record);
        EXPECT_EQ(std::memcmp(&record, &c.expected, sizeof record), 0)
            << c.info.totalBytes << " " << c.info.availableBytes << " " << c.info.mappedBytes;
    }
}

TEST(ParseProcessId, AcceptsOnlyPlainDecimalIdentifiers) {
    const std::map<std::string, std::optional<std::uint32_t>> cases = {
        {"1", 1u},          {"4194304", 4194304u}, {"4294967295", 4294967295u},
        {"4294967296", {}}, {"0", {}},             {"012", {}},
        {"self", {}},       {"12a", {}},           {"", {}},
        {"-3", {}},         {".", {}},
    };
    for (const auto& [name, id] : cases) EXPECT_EQ(proctrim::parseProcessId(name), id) << name;
}

TEST(LowestIds, KeepsTheLowestInAscendingOrderWhateverTheOrderOffered) {
    struct Case {
        std::vector<std::uint32_t> offered;
        std::vector<std::uint32_t> kept;
    };
    const Case cases[] = {
        {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4}},
        {{6, 5, 4, 3, 2, 1}, {1, 2, 3, 4}},
        {{40, 7, 300, 2, 9, 1, 8000}, {1, 2, 7, 9}},
        {{9, 3}, {3, 9}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> buffer(4, 0xEEEE);
        proctrim::LowestIds kept(buffer.data(), buffer.size());
        for (auto id : c.offered) kept.offer(id);
        const std::size_t count = kept.finish();
        EXPECT_EQ(std::vector<std::uint32_t>(buffer.begin(), buffer.begin() + count), c.kept);
    }
}

TEST(ParseMapsLine, ReadsTheRangeAndMarksTheVsyscallPage) {
    const auto plain = proctrim::parseMapsLine(
        "55dd71389000-55dd7138a000 r--p 00000000 fe:00 10953425   /tmp/probe/p");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->start, 0x55dd71389000u);
    EXPECT_EQ(plain->end, 0x55dd7138a000u);
    EXPECT_FALSE(plain->outsideUserSpace);

    const auto vsyscall = proctrim::parseMapsLine(
        "ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0                  [vsyscall]");
    ASSERT_TRUE(vsyscall);
    EXPECT_TRUE(vsyscall->outsideUserSpace);

    for (const char* bad : {"", "garbage", "1000-0800 r--p 0 0:0 0", "zz-1000 r--p", "1000 r--p",
                            "1000-2000"})
        EXPECT_FALSE(proctrim::parseMapsLine(bad)) << bad;
}

// ---------------------------------------------------------------------------
// The walk over a process's mappings against a kernel under the test's control

/// Refuses the ranges it is told to as process_madvise does: a refused range
/// ends the call with the bytes advised before it, or -errno when it comes
/// first; a range outside the address space fails the whole call.
struct FakeKernel {
    std::map<std::size_t, int> refusals;    // range index -> errno
    std::set<std::size_t> outsideUserSpace;  // EFAULT for any batch holding it
    std::size_t stopAt = SIZE_MAX;           // the process vanishes at this range
    const iovec* base = nullptr;
    std::set<std::size_t> advised;
    int calls = 0;

    long operator()(const iovec* first, std::size_t count) {
        ++calls;
        EXPECT_LE(count, proctrim::kMaxBatch);
        const std::size_t begin = static_cast<std::size_t>(first - base);
        for (std::size_t i = begin; i < begin + count; ++i)
            if (outsideUserSpace.count(i)) return -EFAULT;
        long bytes = 0;
        for (std::size_t i = begin; i < begin + count; ++i) {
            if (i >= stopAt) return bytes > 0 ? bytes : -ESRCH;
            const auto refused = refusals.find(i);
            if (refused != refusals.end()) return bytes > 0 ? bytes : -refused->second;
            advised.insert(i);
            bytes += static_cast<long>(first[i - begin].iov_len);
        }
        return bytes;
    }
};

struct WalkCase {
    const char* name;
    std::size_t ranges;
    std::map<std::size_t, int> refusals;
    std::set<std::size_t> outside;
    std::size_t stopAt;
    proctrim::WalkEnd end;
};

TEST(AdviseRanges, HandsOverEveryRangeTheKernelTakes) {
    const WalkCase cases[] = {
        {"AllTaken", 30, {}, {}, SIZE_MAX, proctrim::WalkEnd::AllOffered},
        {"RefusedInTheMiddle", 30, {{13, EINVAL}, {14, EINVAL}}, {}, SIZE_MAX,
         proctrim::WalkEnd::AllOffered},
        {"RefusedFirstAndLast", 10, {{0, ENOMEM}, {9, EINVAL}}, {}, SIZE_MAX,
         proctrim::WalkEnd::AllOffered},
        {"MoreThanOneBatch", 2500, {{1023, EINVAL}, {1024, ENOMEM}, {2047, EINVAL}}, {}, SIZE_MAX,
         proctrim::WalkEnd::AllOffered},
        {"OutsideTheAddressSpace", 20, {{3, EINVAL}}, {17}, SIZE_MAX, proctrim::WalkEnd::AllOffered},
        {"ProcessVanishes", 40, {}, {}, 25, proctrim::WalkEnd::Stopped},
        {"NotAllowed", 10, {{0, EPERM}}, {}, SIZE_MAX, proctrim::WalkEnd::Stopped},
    };
    for (const WalkCase& c : cases) {
        std::vector<iovec> ranges(c.ranges);
        for (std::size_t i = 0; i < ranges.size(); ++i)
            ranges[i] = iovec{reinterpret_cast<void*>(0x10000 * (i + 1)), 4096 * (i % 3 + 1)};
        FakeKernel kernel{c.refusals, c.outside, c.stopAt, ranges.data(), {}, 0};

        const auto walk = proctrim::adviseRanges(ranges.data(), ranges.size(), kernel);

        EXPECT_EQ(walk.end, c.end) << c.name;
        std::size_t stop = std::min(c.ranges, c.stopAt);
        for (const auto& [index, error] : c.refusals)
            if (proctrim::stopsTheWalk(error)) stop = std::min(stop, index);
        std::set<std::size_t> expected;
        std::uint64_t expectedBytes = 0;
        for (std::size_t i = 0; i < stop; ++i) {
            if (c.refusals.count(i) || c.outside.count(i)) continue;
            expected.insert(i);
            expectedBytes += ranges[i].iov_len;
        }
        EXPECT_EQ(kernel.advised, expected) << c.name;
        EXPECT_EQ(walk.advisedBytes, expectedBytes) << c.name;
        EXPECT_LE(kernel.calls, static_cast<int>(c.ranges / proctrim::kMaxBatch + 1 +
                                                 2 * c.refusals.size() + 1 + (c.outside.empty() ? 0 : 21)))
            << c.name;
    }
}

// ---------------------------------------------------------------------------
// The layer on a prepared process file system

struct ScratchDir {
    fs::path path = fs::temp_directory_path() /
                    ("quorvel-processes-" + std::to_string(::getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ScratchDir() { fs::create_directories(path); }
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

TEST(SystemProcesses, EnumeratesTheNumericEntriesLowestFirst) {
    ScratchDir root;
    for (const char* name : {"300", "1", "42", "7", "acpi", "self", "0012", "sys"})
        fs::create_directory(root.path / name);
    std::ofstream(root.path / "99");  // a file, still a numeric entry
    const auto processes = platform::makeSystemProcessApi(root.path.string());

    std::vector<std::uint32_t> table(1024, 0xABCD);
    std::int32_t bytes = -1;
    ASSERT_TRUE(processes->EnumProcesses(table.data(), 4096, &bytes));
    EXPECT_EQ(bytes, 20);
    EXPECT_EQ(std::vector<std::uint32_t>(table.begin(), table.begin() + 6),
              (std::vector<std::uint32_t>{1, 7, 42, 99, 300, 0xABCD}));
}

TEST(SystemProcesses, MoreProcessesThanTheBufferHoldsKeepsTheLowest) {
    ScratchDir root;
    for (int id = 40; id >= 1; --id) fs::create_directory(root.path / std::to_string(id * 3));
    const auto processes = platform::makeSystemProcessApi(root.path.string());

    std::vector<std::uint32_t> table(17, 0xABCD);
    std::int32_t bytes = 0;
    ASSERT_TRUE(processes->EnumProcesses(table.data(), 64, &bytes));
    EXPECT_EQ(bytes, 64);
    EXPECT_EQ(table.front(), 3u);
    EXPECT_EQ(table[15], 48u);
    EXPECT_EQ(table[16], 0xABCDu);
    EXPECT_TRUE(std::is_sorted(table.begin(), table.begin() + 16));
}

TEST(SystemProcesses, FailedEnumerationLeavesTheCountAlone) {
    const auto processes = platform::makeSystemProcessApi("/nonexistent/quorvel");
    std::vector<std::uint32_t> table(1024);
    std::int32_t bytes = 76;
    EXPECT_FALSE(processes->EnumProcesses(table.data(), 4096, &bytes));
    EXPECT_EQ(bytes, 76);
}

TEST(SystemProcesses, ReadsMemoryFiguresOfAMachineBeyond4GiB) {
    const auto processes = platform::makeSystemProcessApi(QUORVEL_PROCESS_FIXTURES "/large");
    MEMORYSTATUS record;
    const PhysicalMemory memory = processes->GlobalMemoryStatus(record);
    EXPECT_EQ(memory.totalBytes, 24684328ull * 1024);
    EXPECT_EQ(memory.availableBytes, (24155932ull - 155932) * 1024);
    EXPECT_EQ(record.dwLength, 32u);
    EXPECT_EQ(record.dwTotalPhys, 0xFFFFFFFFu);
    EXPECT_EQ(record.dwAvailPhys, 0xFFFFFFFFu);
    EXPECT_EQ(record.dwMemoryLoad, 2u);
}

TEST(SystemProcesses, UnreadableMemoryFiguresReadAsZero) {
    const auto processes = platform::makeSystemProcessApi("/nonexistent/quorvel");
    MEMORYSTATUS record;
    record.dwTotalPhys = 77;
    const PhysicalMemory memory = processes->GlobalMemoryStatus(record);
    EXPECT_EQ(memory.totalBytes, 0u);
    EXPECT_EQ(record.dwTotalPhys, 0u);
}

TEST(SystemProcesses, LiveEnumerationHoldsThisProcess) {
    const auto processes = platform::makeSystemProcessApi();
    std::vector<std::uint32_t> table(1024);
    std::int32_t bytes = 0;
    ASSERT_TRUE(processes->EnumProcesses(table.data(), 4096, &bytes));
    ASSERT_GT(bytes, 0);
    ASSERT_EQ(bytes % 4, 0);
    table.resize(static_cast<std::size_t>(bytes / 4));
    EXPECT_TRUE(std::is_sorted(table.begin(), table.end()));
    if (table.size() < 1024) {
        EXPECT_TRUE(std::binary_search(table.begin(), table.end(), static_cast<std::uint32_t>(::getpid())));
    }
}

TEST(SystemProcesses, OperationsOnTheNullHandleOrOddSizesFailQuietly) {
    const auto processes = platform::makeSystemProcessApi();
    EXPECT_EQ(processes->OpenProcess(platform::kProcessAllAccess, false, 0), platform::kNullProcessHandle);
    EXPECT_FALSE(processes->SetProcessWorkingSetSize(platform::kNullProcessHandle,
                                                     platform::kTrimWholeWorkingSet,
                                                     platform::kTrimWholeWorkingSet));
    EXPECT_FALSE(processes->CloseHandle(platform::kNullProcessHandle));

    const ProcessHandle self =
        processes->OpenProcess(platform::kProcessAllAccess, false, static_cast<std::uint32_t>(::getpid()));
    ASSERT_NE(self, platform::kNullProcessHandle);
    EXPECT_FALSE(processes->SetProcessWorkingSetSize(self, 4096, 65536));
    EXPECT_TRUE(processes->CloseHandle(self));
}

TEST(SystemProcesses, AProcessThatHasEndedCannotBeOpened) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const auto processes = platform::makeSystemProcessApi();
    const ProcessHandle gone =
        processes->OpenProcess(platform::kProcessAllAccess, false, static_cast<std::uint32_t>(child));
    EXPECT_EQ(gone, platform::kNullProcessHandle);
    processes->SetProcessWorkingSetSize(gone, platform::kTrimWholeWorkingSet, platform::kTrimWholeWorkingSet);
    processes->CloseHandle(gone);
}

// ---------------------------------------------------------------------------
// Real trimming of processes this test started

/// The real layer, except that the enumeration lists only the given
/// processes: a pass never touches anything the test did not start.
class OnlyThese final : public ProcessApi {
public:
    explicit OnlyThese(std::vector<std::uint32_t> ids) : m_ids(std::move(ids)) {}
    bool EnumProcesses(std::uint32_t* ids, std::uint32_t, std::int32_t* bytes) override {
        std::copy(m_ids.begin(), m_ids.end(), ids);
        *bytes = static_cast<std::int32_t>(4 * m_ids.size());
        return true;
    }
    PhysicalMemory GlobalMemoryStatus(MEMORYSTATUS& record) override {
        return m_real->GlobalMemoryStatus(record);
    }
    ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t id) override {
        return m_real->OpenProcess(access, inherit, id);
    }
    bool SetProcessWorkingSetSize(ProcessHandle h, std::size_t lo, std::size_t hi) override {
        return m_real->SetProcessWorkingSetSize(h, lo, hi);
    }
    bool CloseHandle(ProcessHandle h) override { return m_real->CloseHandle(h); }

private:
    std::vector<std::uint32_t> m_ids;
    std::unique_ptr<ProcessApi> m_real = platform::makeSystemProcessApi();
};

constexpr std::uint64_t kFileMiB = 48;
constexpr std::uint64_t kAnonMiB = 32;

struct RealTrim : ::testing::Test {
    std::string dir = QUORVEL_SCRATCH_DIR;
    std::string file = dir + "/trim-data-" + std::to_string(::getpid()) + ".bin";

    void SetUp() override {
        if (!test::holdsFileBackedPages(dir)) GTEST_SKIP() << dir << " is tmpfs: no file-backed pages";
        ASSERT_TRUE(test::writeDataFile(file, kFileMiB));
    }
    void TearDown() override { ::unlink(file.c_str()); }

    void runPassOver(std::vector<std::uint32_t> ids) {
        SharedState state;
        AllocateSharedState(state);
        OnlyThese processes(std::move(ids));
        PlainLabel status;
        TrimPass(state, processes, status).run();
        EXPECT_FALSE(status.caption().empty());
    }
};

TEST_F(RealTrim, PassDropsTheChildsFilePagesToNearlyNothing) {
    test::WorkloadChild child(QUORVEL_WORKLOAD, file, 0, kFileMiB, kAnonMiB);
    ASSERT_TRUE(child.waitReady(30s)) << "the workload did not come up";
    const auto before = test::statusBytes(child.pid(), "RssFile");
    ASSERT_TRUE(before);
    ASSERT_GE(*before, kFileMiB * kMiB);

    runPassOver({static_cast<std::uint32_t>(child.pid())});

    const auto after = test::statusBytes(child.pid(), "RssFile");
    ASSERT_TRUE(after);
    // What stays are pages of libraries that other processes map too.
    EXPECT_LT(*after, 4 * kMiB) << "before " << *before / kMiB << " MiB";
}

TEST_F(RealTrim, PassReachesEveryMappingOfAProcessWithThousandsOfThem) {
    // 3072 mappings: three batches, and a maps file longer than one read.
    constexpr std::uint64_t kPieces = 3072;
    test::WorkloadChild child(QUORVEL_WORKLOAD, file, 0, kFileMiB, 0, kPieces);
    ASSERT_TRUE(child.waitReady(30s)) << "the workload did not come up";
    const auto before = test::statusBytes(child.pid(), "RssFile").value_or(0);
    ASSERT_GE(before, kFileMiB * kMiB);

    runPassOver({static_cast<std::uint32_t>(child.pid())});

    EXPECT_LT(test::statusBytes(child.pid(), "RssFile").value_or(~0ull), 4 * kMiB);
}

TEST_F(RealTrim, PassPagesOutTheChildsAnonymousMemoryWhenThereIsSwap) {
    if (!test::swapIsOn()) GTEST_SKIP() << "no swap or zram is on: anonymous pages stay resident";
    test::WorkloadChild child(QUORVEL_WORKLOAD, file, 0, 0, kAnonMiB);
    ASSERT_TRUE(child.waitReady(30s));
    const auto before = test::statusBytes(child.pid(), "RssAnon");
    ASSERT_GE(before.value_or(0), kAnonMiB * kMiB);

    runPassOver({static_cast<std::uint32_t>(child.pid())});

    EXPECT_LT(test::statusBytes(child.pid(), "RssAnon").value_or(~0ull), 4 * kMiB);
}

TEST_F(RealTrim, PassOverItsOwnProcessDropsItsOwnFilePages) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::size_t length = kFileMiB * kMiB;
    void* area = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    ASSERT_NE(area, MAP_FAILED);
    const auto* bytes = static_cast<const volatile unsigned char*>(area);
    for (std::size_t at = 0; at < length; at += 4096) (void)bytes[at];

    const auto residentPages = [&] {
        std::vector<unsigned char> pages(length / 4096);
        if (::mincore(area, length, pages.data()) != 0) return std::size_t{0};
        return static_cast<std::size_t>(std::count_if(pages.begin(), pages.end(),
                                                      [](unsigned char p) { return p & 1; }));
    };
    ASSERT_EQ(residentPages(), length / 4096);

    runPassOver({static_cast<std::uint32_t>(::getpid())});

    EXPECT_LT(residentPages(), length / 4096 / 10);
    ::munmap(area, length);
}

enum class Privilege { PlainUser, RootWithoutNiceCapability };

/// Gives up what lets a pass trim other processes, in the calling process.
bool giveUp(Privilege privilege) {
    if (privilege == Privilege::PlainUser) {
        constexpr uid_t kNobody = 65534;
        return ::geteuid() != 0 || ::setresuid(kNobody, kNobody, kNobody) == 0;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    data[0].effective &= ~(1u << CAP_SYS_NICE);
    data[0].permitted &= ~(1u << CAP_SYS_NICE);
    return ::syscall(SYS_capset, &header, data) == 0;
}

TEST_F(RealTrim, WithoutTheRightToTrimOthersThePassTrimsNothingAndDoesNotFail) {
    for (const Privilege privilege : {Privilege::PlainUser, Privilege::RootWithoutNiceCapability}) {
        const auto name = privilege == Privilege::PlainUser ? "plain user" : "root without CAP_SYS_NICE";
        test::WorkloadChild child(QUORVEL_WORKLOAD, file, 0, kFileMiB, 0);
        ASSERT_TRUE(child.waitReady(30s));
        const auto before = test::statusBytes(child.pid(), "RssFile").value_or(0);
        ASSERT_GE(before, kFileMiB * kMiB);

        const pid_t pass = ::fork();
        ASSERT_GE(pass, 0);
        if (pass == 0) {
            if (!giveUp(privilege)) ::_exit(3);
            SharedState state;
            AllocateSharedState(state);
            OnlyThese processes({static_cast<std::uint32_t>(child.pid()), 0,
                                 static_cast<std::uint32_t>(::getpid())});
            PlainLabel status;
            TrimPass(state, processes, status).run();
            ::_exit(status.caption().empty() ? 4 : 0);
        }
        int result = 0;
        ASSERT_EQ(::waitpid(pass, &result, 0), pass);
        ASSERT_TRUE(WIFEXITED(result)) << name << ": the pass crashed";
        EXPECT_EQ(WEXITSTATUS(result), 0) << name;
        EXPECT_GE(test::statusBytes(child.pid(), "RssFile").value_or(0), before - 4 * kMiB) << name;
    }
}

}  // namespace
}  // namespace qv
