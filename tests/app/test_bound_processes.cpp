#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/external_functions.h"
#include "fakes/virtual_framework.h"
#include "platform/codec.h"
#include "platform/libraries.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using skin::ExternalId;

std::uint64_t memTotalBytes() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kb = 0;
    meminfo >> key >> kb;
    return kb * 1024;
}

/// The real libraries layer, counting the releases handed back.
class CountingLibraries final : public platform::Libraries {
public:
    CountingLibraries(std::unique_ptr<platform::Libraries> inner, int& releases)
        : m_inner(std::move(inner)), m_releases(releases) {}
    platform::ModuleHandle loadLibrary(TextView name) override { return m_inner->loadLibrary(name); }
    platform::ModuleHandle standardLibraries() override { return m_inner->standardLibraries(); }
    void* findFunction(platform::ModuleHandle module, TextView name) override {
        return m_inner->findFunction(module, name);
    }
    void releaseLibrary(platform::ModuleHandle module) override {
        ++m_releases;
        m_inner->releaseLibrary(module);
    }
    Text programDirectory() const override { return m_inner->programDirectory(); }

private:
    std::unique_ptr<platform::Libraries> m_inner;
    int& m_releases;
};

/// The trim pass's five functions bound by name from a drive of our own: the
/// process-status library in its system folder, the other four from this
/// program's own exports.
struct BoundProcesses : ::testing::Test {
    VirtualEventLoop loop;
    test::VirtualFramework framework{loop, [] {}, std::chrono::seconds{1}};
    SharedState state;
    Application application{framework, state};
    fs::path drive;

    void SetUp() override {
        drive = fs::path(QUORVEL_SCRATCH_DIR) / ("drive-" + std::to_string(getpid()));
        fs::remove_all(drive);
        fs::create_directories(drive / "WINDOWS" / "system32");
        AllocateSharedState(state);
    }
    void TearDown() override { fs::remove_all(drive); }

    void installPsapi() {
        fs::copy_file(QUORVEL_PSAPI, drive / "WINDOWS" / "system32" / "psapi.dll");
    }
};

TEST_F(BoundProcesses, EachCallGoesThroughItsEntryBoundOnce) {
    installPsapi();
    int releases = 0;
    ExternalFunctions external(
        application,
        std::make_unique<CountingLibraries>(platform::makeLibraries(drive.string()), releases));
    BoundProcessApi processes(external.binder());

    std::int32_t bytes = 0;
    ASSERT_TRUE(processes.EnumProcesses(state.ProcessIdTable->data(), kProcessIdTableBytes, &bytes));
    ASSERT_GT(bytes, 0);
    const auto own = static_cast<std::uint32_t>(getpid());
    const auto* first = state.ProcessIdTable->data();
    EXPECT_NE(std::find(first, first + bytes / 4, own), first + bytes / 4);

    const auto memory = processes.GlobalMemoryStatus(*state.memoryStatus);
    EXPECT_EQ(memory.totalBytes, memTotalBytes());

    const auto handle = processes.OpenProcess(0x1F0FFF, false, own);
    ASSERT_NE(handle, platform::kNullProcessHandle);
    EXPECT_TRUE(processes.SetProcessWorkingSetSize(handle, platform::kTrimWholeWorkingSet,
                                                   platform::kTrimWholeWorkingSet));
    EXPECT_TRUE(processes.CloseHandle(handle));

    for (auto id : {ExternalId::EnumProcesses, ExternalId::GlobalMemoryStatus, ExternalId::OpenProcess,
                    ExternalId::SetProcessWorkingSetSize, ExternalId::CloseHandle}) {
        EXPECT_NE(external.binder().entry(id).address, nullptr);
        EXPECT_NE(external.binder().entry(id).module, nullptr);
    }
    EXPECT_EQ(external.binder().entry(ExternalId::SkinH_Attach).address, nullptr);
    // bound once: calling again binds nothing more
    EXPECT_TRUE(processes.CloseHandle(processes.OpenProcess(0x1F0FFF, false, own)));
    EXPECT_EQ(releases, 0);
    // one release per bound entry at the orderly end
    EXPECT_THROW(application.endNow(), test::ProcessExit);
    EXPECT_EQ(releases, 5);
}

TEST_F(BoundProcesses, AMissingProcessStatusLibraryIsFatal) {
    ExternalFunctions external(application, platform::makeLibraries(drive.string()));
    BoundProcessApi processes(external.binder());
    std::int32_t bytes = 0;
    try {
        processes.EnumProcesses(state.ProcessIdTable->data(), kProcessIdTableBytes, &bytes);
        FAIL() << "no fatal error";
    } catch (const test::ProcessExit& exit) {
        EXPECT_EQ(exit.code, kExitFatal);
    }
    ASSERT_EQ(framework.fatalMessages.size(), 1u);
    const std::string message = platform::gbkToUtf8(framework.fatalMessages[0]);
    EXPECT_NE(message.find("psapi.dll"), std::string::npos) << message;
    EXPECT_NE(message.find("EnumProcesses"), std::string::npos) << message;
    EXPECT_EQ(state.releaseCount, 0u);
}

}  // namespace
}  // namespace qv
