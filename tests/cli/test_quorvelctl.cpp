#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr auto kDeadline = 60s;

/// A child process with its standard output and error read through pipes;
/// stopped by its pid when the test ends.
class Child {
public:
    explicit Child(const std::vector<std::string>& argv, std::vector<std::string> env = {}) {
        int outPipe[2];
        int errPipe[2];
        int inPipe[2];
        if (pipe(outPipe) != 0 || pipe(errPipe) != 0 || pipe(inPipe) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(inPipe[0], 0);
            dup2(outPipe[1], 1);
            dup2(errPipe[1], 2);
            for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], inPipe[0], inPipe[1]})
                close(fd);
            for (auto& e : env) putenv(e.data());
            std::vector<char*> args;
            for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(outPipe[1]);
        close(errPipe[1]);
        close(inPipe[0]);
        m_out = outPipe[0];
        m_err = errPipe[0];
        m_in = inPipe[1];
    }
    ~Child() {
        if (m_in >= 0) close(m_in);
        if (m_pid > 0 && !m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) close(m_out);
        if (m_err >= 0) close(m_err);
    }
    pid_t pid() const { return m_pid; }
    void closeInput() {
        close(m_in);
        m_in = -1;
    }

    /// Reads output until `done(out)` holds or the deadline passes.
    bool readUntil(const std::function<bool(const std::string&)>& done,
                   std::chrono::seconds limit = kDeadline) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done(out)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            if (!pump(static_cast<int>(left.count()))) return done(out);
        }
        return true;
    }

    /// Waits for the exit and returns the exit code (128 + signal if killed).
    int wait() {
        while (pump(1000)) {
        }
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_status = status;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string out;
    std::string err;

private:
    // One poll of both pipes; false once both are closed.
    bool pump(int timeoutMs) {
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        if (m_out < 0 && m_err < 0) return false;
        if (poll(fds, 2, timeoutMs) <= 0) return true;
        bool open = false;
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? m_out : m_err;
            std::string& sink = i == 0 ? out : err;
            if (fd < 0) continue;
            if (fds[i].revents & (POLLIN | POLLHUP)) {
                char buffer[4096];
                const ssize_t n = read(fd, buffer, sizeof buffer);
                if (n <= 0) {
                    close(fd);
                    fd = -1;
                    continue;
                }
                sink.append(buffer, static_cast<std::size_t>(n));
            }
            open = true;
        }
        return open || m_out >= 0 || m_err >= 0;
    }

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    int m_in = -1;
    std::optional<int> m_status;
};

/// Every run gets its own configuration folder.
struct Quorvelctl : ::testing::Test {
    fs::path config;
    void SetUp() override {
        config = fs::path(QUORVEL_SCRATCH_DIR) /
                 ("config-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(config);
        fs::create_directories(config);
    }
    void TearDown() override { fs::remove_all(config); }

    std::vector<std::string> env() const { return {"XDG_CONFIG_HOME=" + config.string()}; }

    struct Result {
        int code;
        std::string out;
        std::string err;
    };
    Result run(std::vector<std::string> args) {
        args.insert(args.begin(), QUORVELCTL);
        Child child(args, env());
        const int code = child.wait();
        return {code, child.out, child.err};
    }
};

std::uint64_t memTotalKb() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t value = 0;
    while (meminfo >> key >> value) {
        if (key == "MemTotal:") return value;
        meminfo.ignore(256, '\n');
    }
    return 0;
}

TEST_F(Quorvelctl, StatusJsonAgreesWithMeminfo) {
    const auto result = run({"status", "--json"});
    ASSERT_EQ(result.code, 0) << result.err;
    const auto figures = nlohmann::json::parse(result.out);
    const std::uint64_t totalMb = (memTotalKb() * 1024) >> 20;
    EXPECT_EQ(figures["total_physical"], std::to_string(totalMb) + "  M");
    const std::string used = figures["used_physical"];
    ASSERT_GE(used.size(), 4u);
    EXPECT_EQ(used.substr(used.size() - 3), "  M");
    EXPECT_LT(std::stoull(used), totalMb);
    const std::string cpu = figures["cpu"];
    EXPECT_EQ(cpu.substr(cpu.size() - 2), " %");
    const int load = std::stoi(cpu);
    EXPECT_GE(load, 0);
    EXPECT_LE(load, 100);
}

/// A child of known resident file pages: a scratch file mapped and read.
struct Workload {
    fs::path file;
    std::optional<Child> child;
    explicit Workload(const std::string& tag) {
        file = fs::path(QUORVEL_SCRATCH_DIR) / ("workload-" + tag + "-" + std::to_string(getpid()));
        std::ofstream out(file, std::ios::binary);
        std::string block(1 << 20, 'q');
        for (int i = 0; i < 32; ++i) {
            block[static_cast<std::size_t>(i)] = static_cast<char>(i);
            out << block;
        }
        out.close();
        child.emplace(std::vector<std::string>{QUORVEL_WORKLOAD, file.string(), "0", "32", "0"});
    }
    ~Workload() {
        child.reset();
        fs::remove(file);
    }
    bool ready() {
        return child->readUntil([](const std::string& out) { return out.find("ready") != std::string::npos; });
    }
};

TEST_F(Quorvelctl, TrimPidReportsTheChildTrimmed) {
    Workload workload("trim");
    ASSERT_TRUE(workload.ready());
    const auto result = run({"trim", "--json", "--pid", std::to_string(workload.child->pid())});
    ASSERT_EQ(result.code, 0) << result.out << result.err;
    const auto report = nlohmann::json::parse(result.out);
    const std::string status = report["status"];
    EXPECT_EQ(status.rfind("自动内存优化功能－本次共计释放内存： ", 0), 0u) << status;
    EXPECT_EQ(status.substr(status.size() - 3), " MB");
    ASSERT_EQ(report["processes"].size(), 1u);
    const auto& p = report["processes"][0];
    EXPECT_EQ(p["pid"], workload.child->pid());
    EXPECT_EQ(p["outcome"], "trimmed");
    EXPECT_GT(p["rss_before_kb"].get<std::uint64_t>(), 30u * 1024);
    EXPECT_LT(p["rss_after_kb"].get<std::uint64_t>(), p["rss_before_kb"].get<std::uint64_t>() - 16 * 1024);
}

TEST_F(Quorvelctl, TrimByAPlainUserIsRefusedForRootsChild) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to start a child a plain user may not touch";
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is missing";
    Workload workload("refused");
    ASSERT_TRUE(workload.ready());
    Child plain({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                 "--inh-caps=-all", QUORVELCTL, "trim", "--json", "--pid",
                 std::to_string(workload.child->pid())},
                env());
    const int code = plain.wait();
    ASSERT_NE(plain.out, "") << plain.err;
    const auto report = nlohmann::json::parse(plain.out);
    EXPECT_EQ(code, 1);  // asked for one process, none trimmed
    EXPECT_EQ(report["processes"][0]["outcome"], "refused: no permission");
}

TEST_F(Quorvelctl, WatchRunsPassesAndEndsCleanlyOnSigterm) {
    Child watch({QUORVELCTL, "watch", "--interval", "0.02", "--quiet"}, env());
    const std::string prefix = "自动内存优化功能－本次共计释放内存： ";
    const auto passes = [&](const std::string& out) {
        std::size_t count = 0;
        for (auto at = out.find(prefix); at != std::string::npos; at = out.find(prefix, at + 1)) ++count;
        return count;
    };
    ASSERT_TRUE(watch.readUntil([&](const std::string& out) { return passes(out) >= 2; }))
        << watch.out << watch.err;
    kill(watch.pid(), SIGTERM);
    EXPECT_EQ(watch.wait(), 0) << watch.err;
    EXPECT_EQ(watch.out.rfind("内存自动优化功能,默认策略为间隙优化! ", 0), 0u);
}

TEST_F(Quorvelctl, TrimWithoutTheProcessStatusLibraryIsFatal) {
    // A copy of the tool in a folder of its own, with an empty drive: no
    // psapi.dll beside it, none in the mapped system folder.
    const fs::path lonely = config / "lonely";
    fs::create_directories(lonely / "drive");
    fs::copy_file(QUORVELCTL, lonely / "quorvelctl");
    Child child({(lonely / "quorvelctl").string(), "trim"},
                {"XDG_CONFIG_HOME=" + config.string(), "QUORVEL_DRIVE_C=" + (lonely / "drive").string()});
    EXPECT_EQ(child.wait(), 255);  // exit code -1
    EXPECT_NE(child.err.find("psapi.dll"), std::string::npos) << child.err;
    EXPECT_NE(child.err.find("EnumProcesses"), std::string::npos) << child.err;
    EXPECT_EQ(child.out, "");
}

TEST_F(Quorvelctl, RegRoundTripsGbkNames) {
    const std::string path = "Software\\Microsoft\\VUruvi\\皮肤模块\\Aero特效";
    ASSERT_EQ(run({"reg", "set", "3", path, "--dword", "1"}).code, 0);
    auto got = run({"reg", "get", "HKCU", "software\\microsoft\\vuruvi\\皮肤模块\\aero特效"});
    EXPECT_EQ(got.code, 0) << got.err;
    EXPECT_EQ(got.out, "REG_DWORD 1\n");
    ASSERT_EQ(run({"reg", "set", "3", "Software\\说明\\文字", "--sz", "中文 text"}).code, 0);
    got = run({"reg", "get", "3", "Software\\说明\\文字"});
    EXPECT_EQ(got.out, "REG_SZ 中文 text\n");
    const auto listed = run({"reg", "list", "3", "Software\\Microsoft\\VUruvi\\皮肤模块"});
    EXPECT_EQ(listed.out, "Aero特效 REG_DWORD 1\n");
    EXPECT_EQ(run({"reg", "delete", "3", path}).code, 0);
    EXPECT_EQ(run({"reg", "get", "3", path}).code, 1);
}

TEST_F(Quorvelctl, AutostartFollowsTheEntry) {
    EXPECT_EQ(run({"autostart", "status"}).out, "off\n");
    const auto on = run({"autostart", "--program", "/opt/my apps/quorvel", "on"});
    EXPECT_EQ(on.code, 0);
    EXPECT_EQ(on.out, "信息： 开机自动优化设置成功！\n");
    EXPECT_TRUE(fs::exists(config / "autostart" / "Quorvel1.0.desktop"));
    EXPECT_EQ(run({"autostart", "status"}).out, "on\n");
    EXPECT_EQ(run({"autostart", "off"}).out, "信息： 开机自动优化成功取消！\n");
    EXPECT_FALSE(fs::exists(config / "autostart" / "Quorvel1.0.desktop"));
}

TEST_F(Quorvelctl, BadArgumentsGiveOneLineAndExitCodeTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"watch", "--interval", "x"},
        {"watch", "--interval", "1", "--threshold", "2"},
        {"watch", "--threshold", "-5"},
        {"reg", "set", "3", "a"},
        {"reg", "get", "7", "a"},
        {"trim", "--pid", "abc"},
        {"trim", "--follow", "-1"},
        {"autostart", "maybe"},
    };
    for (const auto& args : cases) {
        const auto result = run(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(result.code, 2) << joined;
        EXPECT_EQ(result.out, "") << joined;
        ASSERT_FALSE(result.err.empty()) << joined;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << joined << ": " << result.err;
    }
}

TEST_F(Quorvelctl, VersionIsTheProgramsRecord) {
    const auto result = run({"--version"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "Quorvel1.0 1.0.0.0 (Veldrin)\n");
}

}  // namespace
