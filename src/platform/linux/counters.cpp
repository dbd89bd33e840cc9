#include "platform/counters.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <thread>

#include "platform/linux/counters_proc.h"

// The sampler's counters on Linux. The kernel reports the figures the Windows
// calls deliver under other names: MemAvailable is the available physical
// memory, the commit limit stands for the page file, the end of the user
// address space for the total virtual memory, and idle + iowait ticks of
// /proc/stat for the idle time. This layer answers as an NT-family system.

namespace qv::platform {
namespace {

constexpr OsVersion kReportedVersion{10, 0, kPlatformNt};
constexpr std::int32_t kStatusUnsuccessful = static_cast<std::int32_t>(0xC0000001u);
constexpr std::int32_t kStatusLengthMismatch = static_cast<std::int32_t>(0xC0000004u);
constexpr std::int32_t kKeyNotFound = 2;
constexpr std::uint64_t kUnitsPer100ns = 100;

/// A kernel file kept open and read again from its start on every call, which
/// makes the kernel produce fresh figures without the cost of reopening.
class ProcFile {
public:
    explicit ProcFile(std::string path) : m_path(std::move(path)) {}
    ~ProcFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    ProcFile(const ProcFile&) = delete;
    ProcFile& operator=(const ProcFile&) = delete;

    /// The file's text; empty when it cannot be read.
    std::string_view read() {
        if (m_fd < 0) m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) return {};
        if (m_buffer.empty()) m_buffer.resize(kInitialSize);
        // One read from the start: the kernel builds these texts whole and
        // hands out all that fits, so a short read is the end, and a second
        // read would make it build the text again.
        for (;;) {
            const ssize_t got = ::pread(m_fd, m_buffer.data(), m_buffer.size(), 0);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return {};
            if (static_cast<std::size_t>(got) < m_buffer.size()) {
                return std::string_view(m_buffer.data(), static_cast<std::size_t>(got));
            }
            m_buffer.resize(m_buffer.size() * 2);
        }
    }

private:
    // A page holds /proc/meminfo, /proc/self/statm and, on small machines,
    // /proc/stat; larger texts grow the buffer once and keep it.
    static constexpr std::size_t kInitialSize = 4096;
    std::string m_path;
    int m_fd = -1;
    std::string m_buffer;
};

/// True when a page at `address` lies inside the user address space: a page
/// can be placed there, or one is there already.
bool isUserAddress(std::uint64_t address, std::uint64_t pageSize) {
    void* wanted = reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));
    void* placed = ::mmap(wanted, pageSize, PROT_NONE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
    if (placed == MAP_FAILED) return errno == EEXIST;
    ::munmap(placed, pageSize);
    return placed == wanted;
}

/// The size of the user address space, probed once per process.
std::uint64_t userAddressSpaceSize() {
    static const std::uint64_t size = [] {
        const auto pageSize = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        return linuxproc::findAddressSpaceEnd(
            [pageSize](std::uint64_t address) { return isUserAddress(address, pageSize); },
            pageSize);
    }();
    return size;
}

std::uint64_t monotonicTime100ns() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 10'000'000u +
           static_cast<std::uint64_t>(now.tv_nsec) / kUnitsPer100ns;
}

void storeLittleEndian64(std::span<std::byte> buffer, std::size_t offset, std::uint64_t value) {
    for (std::size_t i = 0; i < 8; ++i) {
        buffer[offset + i] = static_cast<std::byte>(value >> (8 * i));
    }
}

std::uint32_t saturate32(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, UINT32_MAX));
}

std::size_t expectedBytes(SystemInformationClass infoClass) {
    switch (infoClass) {
        case SystemInformationClass::Basic: return kBasicInformationBytes;
        case SystemInformationClass::Performance: return kPerformanceInformationBytes;
        case SystemInformationClass::TimeOfDay: return kTimeOfDayInformationBytes;
    }
    return 0;
}

class LinuxCounters final : public Counters {
public:
    explicit LinuxCounters(const std::string& procRoot)
        : m_meminfo(procRoot + "/meminfo"),
          m_selfStatm(procRoot + "/self/statm"),
          m_selfStatus(procRoot + "/self/status"),
          m_stat(procRoot + "/stat"),
          m_ticksPerSecond(static_cast<std::uint64_t>(std::max(1L, ::sysconf(_SC_CLK_TCK)))),
          m_pageSize(static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE))) {}

    std::optional<OsVersion> getVersionEx(VersionRecord) override { return kReportedVersion; }

    GlobalMemoryStatusExEntry findGlobalMemoryStatusEx() override {
        return [this](MEMORYSTATUSEX& status) { fillStatus(status); };
    }

    NtQuerySystemInformationEntry findNtQuerySystemInformation() override {
        return [this](SystemInformationClass infoClass, std::span<std::byte> buffer) {
            return querySystemInformation(infoClass, buffer);
        };
    }

    void globalMemoryStatus(MEMORYSTATUS& status) override {
        MEMORYSTATUSEX wide;
        fillStatus(wide);
        status.dwMemoryLoad = wide.dwMemoryLoad;
        status.dwTotalPhys = saturate32(wide.ullTotalPhys);
        status.dwAvailPhys = saturate32(wide.ullAvailPhys);
        status.dwTotalPageFile = saturate32(wide.ullTotalPageFile);
        status.dwAvailPageFile = saturate32(wide.ullAvailPageFile);
        status.dwTotalVirtual = saturate32(wide.ullTotalVirtual);
        status.dwAvailVirtual = saturate32(wide.ullAvailVirtual);
    }

    void sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }

    std::int32_t openDynDataKey(TextView, DynDataAccess, DynDataKey&) override { return kKeyNotFound; }
    void queryDynDataValue(DynDataKey, TextView, std::array<std::byte, 4>&) override {}
    void closeDynDataKey(DynDataKey) override {}

private:
    void fillStatus(MEMORYSTATUSEX& status) {
        const auto memory = linuxproc::parseMemInfo(m_meminfo.read()).value_or(linuxproc::MemInfo{});
        const std::uint64_t reserved = reservedBytes();
        const std::uint64_t addressSpace = userAddressSpaceSize();
        status.ullTotalPhys = memory.totalPhys;
        status.ullAvailPhys = memory.availPhys;
        status.ullTotalPageFile = memory.commitLimit;
        // overcommit lets the committed figure pass the limit
        status.ullAvailPageFile =
            memory.commitLimit > memory.committed ? memory.commitLimit - memory.committed : 0;
        status.ullTotalVirtual = addressSpace;
        status.ullAvailVirtual = addressSpace - std::min(reserved, addressSpace);
        status.ullAvailExtendedVirtual = 0;
        status.dwMemoryLoad =
            memory.totalPhys == 0
                ? 0
                : static_cast<std::uint32_t>((memory.totalPhys - memory.availPhys) * 100 / memory.totalPhys);
    }

    /// The address space this process has reserved: statm is cheaper to
    /// produce than status and carries the same figure.
    std::uint64_t reservedBytes() {
        if (const auto bytes = linuxproc::parseStatmSize(m_selfStatm.read(), m_pageSize)) return *bytes;
        return linuxproc::parseVmSize(m_selfStatus.read()).value_or(0);
    }

    std::int32_t querySystemInformation(SystemInformationClass infoClass, std::span<std::byte> buffer) {
        if (buffer.size() != expectedBytes(infoClass)) return kStatusLengthMismatch;
        std::fill(buffer.begin(), buffer.end(), std::byte{0});
        if (infoClass == SystemInformationClass::TimeOfDay) {
            storeLittleEndian64(buffer, kCurrentTimeOffset, monotonicTime100ns());
            return 0;
        }
        const auto idle = linuxproc::parseCpuIdle(m_stat.read());
        if (!idle) return kStatusUnsuccessful;
        if (infoClass == SystemInformationClass::Basic) {
            buffer[kProcessorCountOffset] =
                static_cast<std::byte>(std::min<std::uint32_t>(idle->processors, UINT8_MAX));
            return 0;
        }
        storeLittleEndian64(buffer, kIdleTimeOffset,
                            linuxproc::ticksTo100ns(idle->idleTicks, m_ticksPerSecond));
        return 0;
    }

    ProcFile m_meminfo;
    ProcFile m_selfStatm;
    ProcFile m_selfStatus;
    ProcFile m_stat;
    std::uint64_t m_ticksPerSecond;
    std::uint64_t m_pageSize;
};

}  // namespace

std::unique_ptr<Counters> makeSystemCounters(std::string procRoot) {
    return std::make_unique<LinuxCounters>(procRoot);
}

}  // namespace qv::platform
