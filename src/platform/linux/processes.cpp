#include "platform/processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/linux/processes_proc.h"

// Trimming on Linux: a process is opened as a pidfd, its mappings are read
// from /proc/<pid>/maps and handed to process_madvise(MADV_PAGEOUT), which
// reclaims every page the kernel can (clean file pages at once, anonymous
// pages when there is swap). Other processes need CAP_SYS_NICE and ptrace
// read access; our own process goes through madvise, which needs nothing.

namespace qv::platform {
namespace {

using proctrim::Mapping;

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kMemInfoMax = 16 * 1024;
constexpr std::size_t kPathTail = 32;  // "/<pid>/maps" or "/meminfo"

/// A handle carries the pid (high half) and the pidfd plus one (low half), so
/// that the null handle is never a valid descriptor.
ProcessHandle makeHandle(std::uint32_t pid, int fd) {
    return ProcessHandle{(static_cast<std::uint64_t>(pid) << 32) |
                         (static_cast<std::uint64_t>(static_cast<std::uint32_t>(fd)) + 1)};
}
std::uint32_t handlePid(ProcessHandle h) { return static_cast<std::uint32_t>(static_cast<std::uint64_t>(h) >> 32); }
int handleFd(ProcessHandle h) { return static_cast<int>((static_cast<std::uint64_t>(h) & 0xFFFFFFFFu) - 1); }

int openPidfd(std::uint32_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0u));
}

long processMadvise(int pidfd, const iovec* ranges, std::size_t count) {
    const long advised = ::syscall(SYS_process_madvise, pidfd, ranges, count, MADV_PAGEOUT, 0u);
    return advised < 0 ? -errno : advised;
}

/// Our own mappings, one call each: madvise takes a single range.
long ownMadvise(const iovec* ranges, std::size_t count) {
    long advised = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (::madvise(ranges[i].iov_base, ranges[i].iov_len, MADV_PAGEOUT) == 0)
            advised += static_cast<long>(ranges[i].iov_len);
    }
    return advised;
}

class LinuxProcessApi final : public ProcessApi {
public:
    explicit LinuxProcessApi(std::string procRoot)
        : m_root(std::move(procRoot)), m_ownPid(static_cast<std::uint32_t>(::getpid())) {
        m_path.reserve(m_root.size() + kPathTail);
    }

    bool EnumProcesses(std::uint32_t* ids, std::uint32_t bufferBytes,
                       std::int32_t* bytesReturned) override;
    PhysicalMemory GlobalMemoryStatus(MEMORYSTATUS& record) override;
    ProcessHandle OpenProcess(std::uint32_t desiredAccess, bool inheritHandle,
                              std::uint32_t processId) override;
    bool SetProcessWorkingSetSize(ProcessHandle process, std::size_t minimumSize,
                                  std::size_t maximumSize) override;
    bool CloseHandle(ProcessHandle handle) override;

private:
    bool trim(std::uint32_t pid, int pidfd);
    /// Gathers the ranges of the complete lines of `text`, advising every full
    /// batch; returns where the unfinished last line starts. `going` turns
    /// false once the process may not or can no longer be touched.
    std::size_t gatherRanges(std::string_view text, std::uint32_t pid, int pidfd, bool& going);
    /// Advises the ranges gathered so far; false once the process may not or
    /// can no longer be touched.
    bool flush(std::uint32_t pid, int pidfd);
    /// Opens `m_root`/`relative`; reuses the path buffer, so nothing is
    /// allocated per process.
    int openUnderRoot(std::string_view relative, int flags);

    std::string m_root;
    std::uint32_t m_ownPid;
    // Reused by every trim: a pass allocates nothing per process.
    std::array<char, kReadChunk> m_chunk{};
    std::array<iovec, proctrim::kMaxBatch> m_ranges{};
    std::size_t m_rangeCount = 0;
    std::array<char, 32> m_relative{};
    std::string m_path;
};

int LinuxProcessApi::openUnderRoot(std::string_view relative, int flags) {
    m_path.assign(m_root).append("/").append(relative);
    return ::open(m_path.c_str(), flags | O_CLOEXEC);
}

bool LinuxProcessApi::EnumProcesses(std::uint32_t* ids, std::uint32_t bufferBytes,
                                    std::int32_t* bytesReturned) {
    if (ids == nullptr || bytesReturned == nullptr) return false;
    DIR* dir = ::opendir(m_root.c_str());
    if (dir == nullptr) return false;
    proctrim::LowestIds kept(ids, bufferBytes / sizeof(std::uint32_t));
    while (const dirent* entry = ::readdir(dir)) {
        if (const auto id = proctrim::parseProcessId(entry->d_name)) kept.offer(*id);
    }
    ::closedir(dir);
    *bytesReturned = static_cast<std::int32_t>(kept.finish() * sizeof(std::uint32_t));
    return true;
}

PhysicalMemory LinuxProcessApi::GlobalMemoryStatus(MEMORYSTATUS& record) {
    std::array<char, kMemInfoMax> text{};
    std::size_t length = 0;
    const int fd = openUnderRoot("meminfo", O_RDONLY);
    if (fd >= 0) {
        ssize_t got = 0;
        while (length < text.size() &&
               (got = ::read(fd, text.data() + length, text.size() - length)) > 0)
            length += static_cast<std::size_t>(got);
        ::close(fd);
    }
    const auto info = proctrim::parseMemInfo(std::string_view(text.data(), length))
                          .value_or(proctrim::MemInfo{});
    proctrim::fillMemoryStatus(info, record);
    return PhysicalMemory{info.totalBytes, proctrim::availableOutsideWorkingSets(info)};
}

ProcessHandle LinuxProcessApi::OpenProcess(std::uint32_t, bool, std::uint32_t processId) {
    if (processId == 0) return kNullProcessHandle;  // the idle process has no pid here
    const int fd = openPidfd(processId);
    if (fd < 0) return kNullProcessHandle;
    return makeHandle(processId, fd);
}

bool LinuxProcessApi::SetProcessWorkingSetSize(ProcessHandle process, std::size_t minimumSize,
                                               std::size_t maximumSize) {
    if (process == kNullProcessHandle) return false;
    if (minimumSize != kTrimWholeWorkingSet || maximumSize != kTrimWholeWorkingSet) return false;
    return trim(handlePid(process), handleFd(process));
}

bool LinuxProcessApi::CloseHandle(ProcessHandle handle) {
    if (handle == kNullProcessHandle) return false;
    return ::close(handleFd(handle)) == 0;
}

bool LinuxProcessApi::flush(std::uint32_t pid, int pidfd) {
    const std::size_t count = m_rangeCount;
    m_rangeCount = 0;
    if (pid == m_ownPid) {
        ownMadvise(m_ranges.data(), count);
        return true;
    }
    const auto walk = proctrim::adviseRanges(
        m_ranges.data(), count,
        [pidfd](const iovec* first, std::size_t n) { return processMadvise(pidfd, first, n); });
    return walk.end == proctrim::WalkEnd::AllOffered;
}

std::size_t LinuxProcessApi::gatherRanges(std::string_view text, std::uint32_t pid, int pidfd,
                                          bool& going) {
    std::size_t lineStart = 0;
    for (std::size_t eol; going && (eol = text.find('\n', lineStart)) != std::string_view::npos;
         lineStart = eol + 1) {
        const auto mapping = proctrim::parseMapsLine(text.substr(lineStart, eol - lineStart));
        if (!mapping || mapping->outsideUserSpace) continue;
        m_ranges[m_rangeCount++] =
            iovec{reinterpret_cast<void*>(mapping->start), mapping->end - mapping->start};
        if (m_rangeCount == m_ranges.size()) going = flush(pid, pidfd);
    }
    return lineStart;
}

// The ranges come from the pid's maps, but the advice goes through the pidfd:
// should the pid be reused meanwhile, the call fails with ESRCH instead of
// reaching another process.
bool LinuxProcessApi::trim(std::uint32_t pid, int pidfd) {
    const int written = std::snprintf(m_relative.data(), m_relative.size(), "%u/maps", pid);
    if (written <= 0 || static_cast<std::size_t>(written) >= m_relative.size()) return false;
    const int maps = openUnderRoot(
        std::string_view(m_relative.data(), static_cast<std::size_t>(written)), O_RDONLY);
    if (maps < 0) return false;

    bool going = true;
    std::size_t held = 0;  // bytes of an unfinished line at the chunk's start
    m_rangeCount = 0;
    while (going) {
        const ssize_t got = ::read(maps, m_chunk.data() + held, m_chunk.size() - held);
        if (got <= 0) break;
        const std::string_view text(m_chunk.data(), held + static_cast<std::size_t>(got));
        const std::size_t unfinished = gatherRanges(text, pid, pidfd, going);
        held = text.size() - unfinished;
        if (held == m_chunk.size()) held = 0;  // a line longer than the chunk: drop it
        std::memmove(m_chunk.data(), m_chunk.data() + unfinished, held);
    }
    ::close(maps);
    if (going && m_rangeCount > 0) going = flush(pid, pidfd);
    m_rangeCount = 0;
    return going;
}

}  // namespace

std::unique_ptr<ProcessApi> makeSystemProcessApi(const std::string& procRoot) {
    return std::make_unique<LinuxProcessApi>(procRoot);
}

}  // namespace qv::platform
