#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/shared_state.h"
#include "core/text.h"

// The system counters the statistics sampler reads, in the shape of the
// Windows calls it was written against: a version query, two memory status
// records, a run-time looked-up extended memory status and system-information
// query, a sleep, and the dynamic-data keys of the 9x family. Each OS supplies
// the same quantities behind this interface.

namespace qv::platform {

/// The extended memory status record: 64 bytes, 64-bit figures in bytes.
struct MEMORYSTATUSEX {
    std::uint32_t dwLength = 0;
    std::uint32_t dwMemoryLoad = 0;
    std::uint64_t ullTotalPhys = 0;
    std::uint64_t ullAvailPhys = 0;
    std::uint64_t ullTotalPageFile = 0;
    std::uint64_t ullAvailPageFile = 0;
    std::uint64_t ullTotalVirtual = 0;
    std::uint64_t ullAvailVirtual = 0;
    std::uint64_t ullAvailExtendedVirtual = 0;
};
static_assert(sizeof(MEMORYSTATUSEX) == 64);

inline constexpr std::uint32_t kMemoryStatusBytes = 32;
inline constexpr std::uint32_t kMemoryStatusExBytes = 64;

/// Size of the version record handed to the version query.
enum class VersionRecord : std::uint32_t { Extended = 156, Basic = 148 };

/// The parts of the version record the sampler reads.
struct OsVersion {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t platformId = 0;
};

/// Platform id of the NT family.
inline constexpr std::uint32_t kPlatformNt = 2;

/// The information classes of the system-information query.
enum class SystemInformationClass : std::uint32_t { Basic = 0, Performance = 2, TimeOfDay = 3 };

inline constexpr std::size_t kBasicInformationBytes = 44;
inline constexpr std::size_t kPerformanceInformationBytes = 312;
inline constexpr std::size_t kTimeOfDayInformationBytes = 32;
/// Unsigned byte: the number of processors.
inline constexpr std::size_t kProcessorCountOffset = 40;
/// 64-bit little-endian: cumulative idle time of all processors, 100 ns units.
inline constexpr std::size_t kIdleTimeOffset = 0;
/// 64-bit little-endian: the current system time, 100 ns units.
inline constexpr std::size_t kCurrentTimeOffset = 8;

/// Fills the extended record; its length field is set by the caller.
using GlobalMemoryStatusExEntry = std::function<void(MEMORYSTATUSEX&)>;
/// Fills `buffer` with the class's record; 0 on success, another status when
/// the class cannot be read or the buffer has the wrong length.
using NtQuerySystemInformationEntry =
    std::function<std::int32_t(SystemInformationClass, std::span<std::byte> buffer)>;

enum class DynDataAccess { Read, AllAccess };
using DynDataKey = std::uint64_t;

class Counters {
public:
    virtual ~Counters() = default;

    /// The version query with a record of the given size; empty on failure.
    virtual std::optional<OsVersion> getVersionEx(VersionRecord record) = 0;
    /// The extended memory status, looked up at run time; empty when absent.
    virtual GlobalMemoryStatusExEntry findGlobalMemoryStatusEx() = 0;
    /// The system-information query, looked up at run time; empty when absent.
    virtual NtQuerySystemInformationEntry findNtQuerySystemInformation() = 0;
    /// Fills the plain record (figures above 4 GiB saturate); its length field
    /// is set by the caller.
    virtual void globalMemoryStatus(MEMORYSTATUS& status) = 0;
    /// Blocks the calling thread.
    virtual void sleep(std::chrono::milliseconds duration) = 0;

    /// Opens a key under the dynamic-data root; 0 on success.
    virtual std::int32_t openDynDataKey(TextView subKey, DynDataAccess access, DynDataKey& key) = 0;
    /// Reads a value into a 4-byte buffer; the result is not reported.
    virtual void queryDynDataValue(DynDataKey key, TextView valueName,
                                   std::array<std::byte, 4>& buffer) = 0;
    virtual void closeDynDataKey(DynDataKey key) = 0;
};

/// The counters of this machine; readers look under `procRoot` for the
/// kernel's process information files.
std::unique_ptr<Counters> makeSystemCounters(std::string procRoot = "/proc");

}  // namespace qv::platform
