#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Readers of the kernel's process information files behind the Linux
// counters: pure parsers of the file texts, and a reader that takes the root
// under which the files lie, so that recorded files can stand in.

namespace qv::platform::linuxproc {

/// The figures of /proc/meminfo the counters use, in bytes.
struct MemInfo {
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t commitLimit = 0;
    std::uint64_t committed = 0;
};

/// MemTotal is required. A kernel without MemAvailable counts MemFree +
/// Buffers + Cached as available, never more than the total.
std::optional<MemInfo> parseMemInfo(std::string_view text);

/// VmSize of a /proc/<pid>/status text, in bytes.
std::optional<std::uint64_t> parseVmSize(std::string_view text);

/// The first field of a /proc/<pid>/statm text (the same figure as VmSize,
/// in pages), in bytes.
std::optional<std::uint64_t> parseStatmSize(std::string_view text, std::uint64_t pageSize);

/// Idle and iowait summed over the per-processor lines of /proc/stat, and the
/// number of those lines, so that the two always belong together.
struct CpuIdle {
    std::uint64_t idleTicks = 0;
    std::uint32_t processors = 0;
};
std::optional<CpuIdle> parseCpuIdle(std::string_view text);

/// Clock ticks to 100 ns units.
std::uint64_t ticksTo100ns(std::uint64_t ticks, std::uint64_t ticksPerSecond);

/// The end of the user address space: the first page-aligned address at or
/// above which `isUserAddress` is false, found by bisection over the pages of
/// the 64-bit range (the predicate must be true below the end, false above).
std::uint64_t findAddressSpaceEnd(const std::function<bool(std::uint64_t)>& isUserAddress,
                                  std::uint64_t pageSize);

}  // namespace qv::platform::linuxproc
