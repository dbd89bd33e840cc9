#pragma once

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

namespace qv::test {

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

inline std::uint64_t memTotalKb() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t value = 0;
    while (meminfo >> key >> value) {
        if (key == "MemTotal:") return value;
        meminfo.ignore(256, '\n');
    }
    return 0;
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

}  // namespace qv::test
