#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

// Child processes with known resident memory (the optimize_workload helper),
// and the readers the trim checks use on them. Shared by the tests and the
// benchmark.

namespace qv::test {

inline constexpr std::uint64_t kMiB = 1024 * 1024;

/// A "Name:  value kB" field of a kernel file such as /proc/meminfo, in bytes.
inline std::optional<std::uint64_t> kernelFieldBytes(const std::string& path, const std::string& field) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind(field + ":", 0) != 0) continue;
        return std::stoull(line.substr(field.size() + 1)) * 1024;
    }
    return std::nullopt;
}

/// A field of /proc/<pid>/status such as "RssFile", in bytes.
inline std::optional<std::uint64_t> statusBytes(pid_t pid, const std::string& field) {
    return kernelFieldBytes("/proc/" + std::to_string(pid) + "/status", field);
}

/// A field of /proc/<pid>/smaps_rollup such as "Private_Clean", in bytes.
inline std::optional<std::uint64_t> rollupBytes(pid_t pid, const std::string& field) {
    return kernelFieldBytes("/proc/" + std::to_string(pid) + "/smaps_rollup", field);
}

inline bool swapIsOn() { return kernelFieldBytes("/proc/meminfo", "SwapFree").value_or(0) > 0; }

/// Whether file pages in `dir` count as file-backed (on tmpfs they count as
/// shared memory instead).
inline bool holdsFileBackedPages(const std::string& dir) {
    struct statfs info {};
    if (::statfs(dir.c_str(), &info) != 0) return false;
    constexpr long kTmpfsMagic = 0x01021994;
    return info.f_type != kTmpfsMagic;
}

/// Writes `mib` MiB of non-repeating data to `path` and flushes it to disk, so
/// that its pages are clean and mapped by nobody.
inline bool writeDataFile(const std::string& path, std::uint64_t mib) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::vector<std::uint64_t> block(kMiB / sizeof(std::uint64_t));
    std::uint64_t value = 1;
    bool ok = true;
    for (std::uint64_t i = 0; i < mib && ok; ++i) {
        for (auto& word : block) word = value++ * 0x9E3779B97F4A7C15ull;
        ok = ::write(fd, block.data(), kMiB) == static_cast<ssize_t>(kMiB);
    }
    ok = ok && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

/// One running workload process; killed and reaped by its pid when dropped.
class WorkloadChild {
public:
    WorkloadChild(const std::string& helper, const std::string& file, std::uint64_t offsetMiB,
                  std::uint64_t fileMiB, std::uint64_t anonMiB, std::uint64_t pieces = 1) {
        int toChild[2];
        int fromChild[2];
        if (::pipe2(toChild, O_CLOEXEC) != 0) return;
        if (::pipe2(fromChild, O_CLOEXEC) != 0) {
            ::close(toChild[0]);
            ::close(toChild[1]);
            return;
        }
        const std::string offset = std::to_string(offsetMiB);
        const std::string fileSize = std::to_string(fileMiB);
        const std::string anonSize = std::to_string(anonMiB);
        const std::string pieceCount = std::to_string(pieces);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(toChild[0], STDIN_FILENO);
            ::dup2(fromChild[1], STDOUT_FILENO);
            ::execl(helper.c_str(), helper.c_str(), file.c_str(), offset.c_str(), fileSize.c_str(),
                    anonSize.c_str(), pieceCount.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        m_stdin = toChild[1];
        m_stdout = fromChild[0];
    }
    ~WorkloadChild() {
        if (m_stdin >= 0) ::close(m_stdin);
        if (m_stdout >= 0) ::close(m_stdout);
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    WorkloadChild(const WorkloadChild&) = delete;
    WorkloadChild& operator=(const WorkloadChild&) = delete;

    pid_t pid() const { return m_pid; }

    /// Waits until the child says it has touched all of its memory.
    bool waitReady(std::chrono::milliseconds deadline) {
        if (m_pid <= 0) return false;
        const auto until = std::chrono::steady_clock::now() + deadline;
        std::string seen;
        while (seen.find("ready\n") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd wait{m_stdout, POLLIN, 0};
            if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[16];
            const ssize_t got = ::read(m_stdout, buffer, sizeof buffer);
            if (got <= 0) return false;  // the child ended
            seen.append(buffer, static_cast<std::size_t>(got));
        }
        return true;
    }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
};

}  // namespace qv::test

namespace qv::test {

/// Many workload processes that share one pipe to wait on and one to report
/// ready through, so that hundreds of them need two descriptors. Each maps its
/// own slice of the data file. All are killed and reaped by pid when dropped.
class WorkloadGroup {
public:
    WorkloadGroup(const std::string& helper, const std::string& file, std::size_t count,
                  std::uint64_t fileMiB, std::uint64_t anonMiB) {
        int toChildren[2];
        int fromChildren[2];
        if (::pipe2(toChildren, O_CLOEXEC) != 0) return;
        if (::pipe2(fromChildren, O_CLOEXEC) != 0) {
            ::close(toChildren[0]);
            ::close(toChildren[1]);
            return;
        }
        m_stdin = toChildren[1];
        m_stdout = fromChildren[0];
        const std::string fileSize = std::to_string(fileMiB);
        const std::string anonSize = std::to_string(anonMiB);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string offset = std::to_string(i * fileMiB);
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::dup2(toChildren[0], STDIN_FILENO);
                ::dup2(fromChildren[1], STDOUT_FILENO);
                ::execl(helper.c_str(), helper.c_str(), file.c_str(), offset.c_str(),
                        fileSize.c_str(), anonSize.c_str(), static_cast<char*>(nullptr));
                ::_exit(127);
            }
            if (pid < 0) break;
            m_pids.push_back(pid);
        }
        ::close(toChildren[0]);
        ::close(fromChildren[1]);
    }
    ~WorkloadGroup() {
        if (m_stdin >= 0) ::close(m_stdin);
        if (m_stdout >= 0) ::close(m_stdout);
        for (const pid_t pid : m_pids) ::kill(pid, SIGKILL);
        for (const pid_t pid : m_pids) ::waitpid(pid, nullptr, 0);
    }
    WorkloadGroup(const WorkloadGroup&) = delete;
    WorkloadGroup& operator=(const WorkloadGroup&) = delete;

    const std::vector<pid_t>& pids() const { return m_pids; }

    /// Waits until every child has said "ready" (each line is written whole).
    bool waitAllReady(std::chrono::milliseconds deadline) {
        const auto until = std::chrono::steady_clock::now() + deadline;
        std::size_t ready = 0;
        while (ready < m_pids.size()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd wait{m_stdout, POLLIN, 0};
            if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[4096];
            const ssize_t got = ::read(m_stdout, buffer, sizeof buffer);
            if (got <= 0) return false;  // every child ended
            ready += static_cast<std::size_t>(std::count(buffer, buffer + got, '\n'));
        }
        return true;
    }

private:
    std::vector<pid_t> m_pids;
    int m_stdin = -1;
    int m_stdout = -1;
};

}  // namespace qv::test
