#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/shared_state.h"

// The process and memory operations of the trim pass, under the names the
// pass calls them by. Results are returned as the system gives them; the pass
// tests none of them.

namespace qv::platform {

/// An open process as the layer knows it; the null handle opens nothing and
/// every operation on it fails without effect.
enum class ProcessHandle : std::uint64_t {};
inline constexpr ProcessHandle kNullProcessHandle{};

/// Every right there is on a process, as the pass asks for it.
inline constexpr std::uint32_t kProcessAllAccess = 0x1F0FFF;

/// The all-ones size that asks for every page to leave the working set.
inline constexpr std::size_t kTrimWholeWorkingSet = static_cast<std::size_t>(-1);

/// Physical memory in bytes, free of the 32-bit limit of MEMORYSTATUS, from the
/// same reading that filled the record.
struct PhysicalMemory {
    std::uint64_t totalBytes = 0;
    std::uint64_t availableBytes = 0;
};

class ProcessApi {
public:
    virtual ~ProcessApi() = default;

    /// Writes the identifiers of the running processes into `ids` (at most
    /// `bufferBytes` / 4 of them, the lowest first) and sets `*bytesReturned`
    /// to 4 x their number. A failure leaves `*bytesReturned` as it was.
    virtual bool EnumProcesses(std::uint32_t* ids, std::uint32_t bufferBytes,
                               std::int32_t* bytesReturned) = 0;

    /// Fills the whole record with the current figures; a figure beyond 32 bits
    /// reads as all ones (0xFFFFFFFF). The unlimited physical figures of the same
    /// reading come back as the result.
    virtual PhysicalMemory GlobalMemoryStatus(MEMORYSTATUS& record) = 0;

    /// The null handle when the process cannot be opened.
    virtual ProcessHandle OpenProcess(std::uint32_t desiredAccess, bool inheritHandle,
                                      std::uint32_t processId) = 0;

    /// With both sizes kTrimWholeWorkingSet: asks the system to take every page
    /// it can out of the process's resident set. Other sizes are not supported
    /// and fail.
    virtual bool SetProcessWorkingSetSize(ProcessHandle process, std::size_t minimumSize,
                                          std::size_t maximumSize) = 0;

    virtual bool CloseHandle(ProcessHandle handle) = 0;
};

/// The system's own processes, read from the process file system at `procRoot`
/// ("/proc" on a live system; a fixture folder in tests).
std::unique_ptr<ProcessApi> makeSystemProcessApi(const std::string& procRoot = "/proc");

}  // namespace qv::platform
