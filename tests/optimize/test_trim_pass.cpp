#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/texts.h"
#include "fake_processes.h"
#include "optimize/trim_pass.h"
#include "ui/plain_controls.h"

namespace qv {
namespace {

constexpr std::uint64_t kMiB = 1048576;
constexpr std::uint64_t kGiB = 1024 * kMiB;

Text caption(const std::string& figure) {
    return Text(texts::kTrimStatusPrefix) + figure + Text(texts::kTrimStatusSuffix);
}

struct TrimPassTest : ::testing::Test {
    SharedState state;
    test::FakeProcesses processes;
    PlainLabel status{"before"};
    TrimPass pass{state, processes, status};

    void SetUp() override { AllocateSharedState(state); }

    /// Used memory falls from `usedBefore` to `usedAfter` during the pass.
    void memoryFalls(std::uint64_t total, std::uint64_t usedBefore, std::uint64_t usedAfter) {
        processes.readings = {{total, total - usedBefore}, {total, total - usedAfter}};
    }
};

TEST_F(TrimPassTest, OpensTrimsAndClosesEveryProcessBetweenTheTwoReadings) {
    processes.running = {4, 0, 77};
    processes.unopenable = {0};
    memoryFalls(2 * kGiB, kGiB, kGiB);
    pass.run();

    EXPECT_EQ(processes.log,
              (std::vector<std::string>{"enumerate", "memory",                      //
                                        "open 4", "trim 4", "close 4",              //
                                        "open 0", "trim null", "close null",        //
                                        "open 77", "trim 77", "close 77", "memory"}));
    EXPECT_EQ(state.ProcessIdBytes, 12);
    EXPECT_EQ(status.caption(), caption("0"));
}

struct FreedCase {
    const char* name;
    std::uint64_t total, usedBefore, usedAfter;
    const char* figure;
};

class FreedFigure : public TrimPassTest, public ::testing::WithParamInterface<FreedCase> {};

TEST_P(FreedFigure, StatusShowsTheMegabytesToTwoDecimals) {
    const FreedCase& c = GetParam();
    memoryFalls(c.total, c.usedBefore, c.usedAfter);
    pass.run();
    EXPECT_EQ(status.caption(), caption(c.figure));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FreedFigure,
    ::testing::Values(
        FreedCase{"TwelveMillionBytes", 2 * kGiB, 112345678, 100000000, "11.77"},
        FreedCase{"Unchanged", 2 * kGiB, kGiB, kGiB, "0"},
        FreedCase{"OnePageMoreUsedIsNegativeZero", 2 * kGiB, kGiB, kGiB + 4096, "-0"},
        FreedCase{"MoreUsedAfterIsNegative", 2 * kGiB, kGiB, kGiB + 3 * kMiB, "-3"},
        FreedCase{"NearlyAllFreed", 2 * kGiB, 2 * kGiB - 1, 0, "2048"},
        // The record's 32-bit fields saturate on such machines; the figure must
        // still be the real difference.
        FreedCase{"TwentyFourGiBMachine", 24 * kGiB, 14 * kGiB, 12 * kGiB, "2048"},
        FreedCase{"UsedAboveTwoGiB", 8 * kGiB, 3 * kGiB + 5 * kMiB, 3 * kGiB, "5"},
        FreedCase{"HalfMegabyte", 4 * kGiB, kGiB + kMiB / 2, kGiB, "0.5"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(TrimPassTest, KeepsTheUsedFigureBeforeTheTrimAndTheLastReading) {
    memoryFalls(2 * kGiB, 300 * kMiB, 200 * kMiB);
    pass.run();
    EXPECT_EQ(state.UsedPhysBeforeTrim, static_cast<std::int32_t>(300 * kMiB));
    EXPECT_EQ(state.memoryStatus->dwAvailPhys, 2 * kGiB - 200 * kMiB);
    EXPECT_EQ(state.memoryStatus->dwLength, 32u);
}

TEST_F(TrimPassTest, TableIsReusedNotClearedAndOnlyTheLatestCountIsVisited) {
    processes.running = {10, 11, 12, 13, 14};
    pass.run();
    processes.running = {20, 21};
    processes.log.clear();
    pass.run();

    EXPECT_EQ(processes.opens(), 2u);
    const ProcessIdArray& table = *state.ProcessIdTable;
    EXPECT_EQ((std::vector<std::uint32_t>(table.begin(), table.begin() + 6)),
              (std::vector<std::uint32_t>{20, 21, 12, 13, 14, 0}));
    EXPECT_EQ(state.ProcessIdBytes, 8);
}

TEST_F(TrimPassTest, FailedEnumerationVisitsWhatTheLastOneLeft) {
    processes.running = {5, 6, 7};
    pass.run();
    processes.enumerationFails = true;
    processes.log.clear();
    pass.run();
    EXPECT_EQ(processes.opens(), 3u);
    EXPECT_EQ(status.caption(), caption("0"));
}

TEST_F(TrimPassTest, MoreThanTheTableHoldsVisitsTheFirst1024) {
    for (std::uint32_t id = 1; id <= 1500; ++id) processes.running.push_back(id);
    pass.run();
    EXPECT_EQ(state.ProcessIdBytes, 4096);
    EXPECT_EQ(processes.opens(), 1024u);
    EXPECT_EQ(processes.log[processes.log.size() - 4], "open 1024");
}

TEST_F(TrimPassTest, StatusIsWrittenWhenNothingCouldBeOpened) {
    processes.running = {1, 2};
    processes.unopenable = {1, 2};
    memoryFalls(kGiB, 10 * kMiB, 10 * kMiB);
    pass.run();
    EXPECT_EQ(status.caption(), caption("0"));
}

TEST(VisitCount, StaysWithinTheTableWhateverTheLayerReports) {
    struct Case {
        std::int32_t bytes, visits;
    };
    const Case cases[] = {{0, 0},       {4, 1},       {7, 1},         {4096, 1024},
                          {8192, 1024}, {-4, 0},      {INT32_MAX, 1024}, {INT32_MIN, 0}};
    for (const Case& c : cases) EXPECT_EQ(VisitCount(c.bytes), c.visits) << c.bytes;
}

TEST_F(TrimPassTest, MisreportedCountDoesNotReadPastTheTable) {
    processes.running = {1, 2, 3};
    processes.reportedBytes = 1 << 20;
    pass.run();
    EXPECT_EQ(processes.opens(), 1024u);
}

}  // namespace
}  // namespace qv
