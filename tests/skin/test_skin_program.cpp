// The window program itself, started as a child on the offscreen platform
// with a temporary drive and settings store: it installs the chosen skin and
// loads our engine from the mapped system directory.

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "core/texts.h"
#include "platform/settings_store.h"
#include "skin/payloads.h"
#include "skin/skin_installer.h"
#include "skin_test_support.h"

extern char** environ;

namespace qv::skin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kStartDeadline = 60s;
constexpr auto kPollPeriod = 50ms;

/// The program as a child process, ended by its id when the test is done.
class ProgramRun {
public:
    ProgramRun(const fs::path& drive, const fs::path& config) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string_view entry = *e;
            if (entry.starts_with("QUORVEL_DRIVE_C=") || entry.starts_with("XDG_CONFIG_HOME=") ||
                entry.starts_with("QT_QPA_PLATFORM=") || entry.starts_with("DISPLAY="))
                continue;
            env.emplace_back(entry);
        }
        env.push_back("QUORVEL_DRIVE_C=" + drive.string());
        env.push_back("XDG_CONFIG_HOME=" + config.string());
        env.push_back("QT_QPA_PLATFORM=offscreen");
        env.push_back("DISPLAY=:offscreen");  // the program asks for a desktop session
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = QV_PROGRAM;
        char* argv[] = {program.data(), nullptr};
        if (::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) m_pid = -1;
    }
    ~ProgramRun() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    pid_t pid() const { return m_pid; }

    /// True once `library` is mapped into the program, false when the program
    /// ended or the deadline passed first.
    bool waitUntilMapped(const fs::path& library) {
        const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
        const std::string maps = "/proc/" + std::to_string(m_pid) + "/maps";
        while (std::chrono::steady_clock::now() < deadline) {
            if (test::readText(maps).find(library.string()) != std::string::npos) return true;
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return false;
            }
            std::this_thread::sleep_for(kPollPeriod);
        }
        return false;
    }

private:
    pid_t m_pid = -1;
};

struct StoredSkinId {
    const char* what;
    platform::ValueType type;
    std::vector<std::byte> data;
    std::int32_t installed;
    friend void PrintTo(const StoredSkinId& c, std::ostream* os) { *os << c.what; }
};

std::vector<std::byte> bytesOf(std::initializer_list<int> values) {
    std::vector<std::byte> out;
    for (int v : values) out.push_back(static_cast<std::byte>(v));
    return out;
}

class RunningProgram : public ::testing::TestWithParam<StoredSkinId> {};

TEST_P(RunningProgram, InstallsTheChosenSkinAndLoadsOurEngine) {
    test::TempDir dir;
    const fs::path drive = dir / "drive_c", config = dir / "config";
    if (GetParam().type != platform::ValueType::None) {
        auto store = platform::openSettingsStore(config);
        const Text key = SkinSettingPath(qv::texts::kSkinModuleName, "");
        auto handle = store->createKey(platform::RegistryRoot::CurrentUser, TextView(key).substr(0, key.size() - 1));
        ASSERT_TRUE(handle);
        ASSERT_TRUE(store->setValue(*handle, "SkinID", GetParam().type, GetParam().data));
        store->closeKey(*handle);
    }
    ProgramRun program(drive, config);
    ASSERT_GT(program.pid(), 0);
    const fs::path system = drive / "WINDOWS" / "system32";
    ASSERT_TRUE(program.waitUntilMapped(system / "JiaH.dll"));
    const Bytes library = BuiltInSkinPayloads().library();
    const Bytes skin = *BuiltInSkinPayloads().skinFile(GetParam().installed);
    EXPECT_EQ(test::readBytes(system / "JiaH.dll"), std::vector<std::uint8_t>(library.begin(), library.end()));
    EXPECT_EQ(test::readBytes(system / "skinh.she"), std::vector<std::uint8_t>(skin.begin(), skin.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunningProgram,
    ::testing::Values(StoredSkinId{"no settings", platform::ValueType::None, {}, 2},
                      StoredSkinId{"skin 29", platform::ValueType::Dword, bytesOf({29, 0, 0, 0}), 29},
                      StoredSkinId{"skin as the text 5", platform::ValueType::Sz, bytesOf({'5', 0}), 2}),
    [](const auto& p) {
        std::string name = p.param.what;
        for (auto& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

}  // namespace
}  // namespace qv::skin
