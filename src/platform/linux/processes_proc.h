#pragma once

#include <sys/uio.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/shared_state.h"

// The pure pieces of the Linux trim layer: parsers of the kernel's process
// files, the bounded collection of process identifiers, and the walk that
// hands a process's mappings to the kernel in batches and steps over the
// ranges it refuses.

namespace qv::platform::proctrim {

/// The figures of /proc/meminfo the trim layer needs, in bytes.
struct MemInfo {
    std::uint64_t totalBytes = 0;
    std::uint64_t availableBytes = 0;
    std::uint64_t mappedBytes = 0;  // file pages mapped into some process
    std::uint64_t swapTotalBytes = 0;
    std::uint64_t swapFreeBytes = 0;
};

/// MemTotal and MemAvailable are required; the other lines default to 0.
std::optional<MemInfo> parseMemInfo(std::string_view text);

/// Memory that is available and in no process's working set. The kernel counts
/// clean file pages as available even while processes map them, so taking
/// MemAvailable alone, a pass that unmaps and reclaims them would show nothing
/// freed (or less than nothing, while the freed pages still sit in per-CPU
/// lists); without the mapped pages it shows what left the working sets.
std::uint64_t availableOutsideWorkingSets(const MemInfo& info);

/// The record as the layer fills it: physical, page-file (memory plus swap)
/// and virtual figures, each saturated at all ones when it needs more than
/// 32 bits. The address space of a 64-bit process always does.
void fillMemoryStatus(const MemInfo& info, MEMORYSTATUS& record);

/// A directory entry of /proc that names a process: decimal digits only, no
/// leading zero, within 32 bits.
std::optional<std::uint32_t> parseProcessId(std::string_view name);

/// Keeps the `capacity` lowest identifiers offered, whatever order they come
/// in, in the caller's buffer: no allocation.
class LowestIds {
public:
    LowestIds(std::uint32_t* buffer, std::size_t capacity) : m_ids(buffer), m_capacity(capacity) {}
    void offer(std::uint32_t id);
    /// Sorts what was kept, ascending, and returns how many there are.
    std::size_t finish();

private:
    std::uint32_t* m_ids;
    std::size_t m_capacity;
    std::size_t m_count = 0;
};

/// One line of /proc/<pid>/maps.
struct Mapping {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    /// The kernel's page of legacy system-call entry points: it lies outside
    /// the user address space and makes the whole batch that names it fail.
    bool outsideUserSpace = false;
};

std::optional<Mapping> parseMapsLine(std::string_view line);

/// The largest batch the kernel takes in one call.
inline constexpr std::size_t kMaxBatch = 1024;

/// What a walk over a process's mappings ended with.
enum class WalkEnd {
    AllOffered,  // every range was handed over (some may have been refused)
    Stopped,     // the process is gone or may not be touched: nothing more will work
};

struct WalkResult {
    WalkEnd end = WalkEnd::AllOffered;
    std::uint64_t advisedBytes = 0;
};

inline bool stopsTheWalk(long error) {
    return error == ESRCH || error == EPERM || error == EACCES;
}

/// Hands `ranges` to `submit(first, count)` in batches of at most kMaxBatch.
/// `submit` returns the bytes advised from the start of its batch, or
/// -errno when the first range was refused. After a refused range the walk
/// resumes with the one behind it; a batch refused whole for a bad address
/// is handed over range by range.
template <class Submit>
WalkResult adviseRanges(const iovec* ranges, std::size_t count, Submit&& submit);

// ---------------------------------------------------------------------------

namespace detail {

/// How many whole ranges from `first` the advised byte count covers.
inline std::size_t rangesCovered(const iovec* first, std::size_t count, std::uint64_t bytes) {
    std::size_t covered = 0;
    while (covered < count && first[covered].iov_len <= bytes) {
        bytes -= first[covered].iov_len;
        ++covered;
    }
    return covered;
}

}  // namespace detail

template <class Submit>
WalkResult adviseRanges(const iovec* ranges, std::size_t count, Submit&& submit) {
    WalkResult result;
    std::size_t next = 0;
    while (next < count) {
        const std::size_t batch = count - next < kMaxBatch ? count - next : kMaxBatch;
        const long advised = submit(ranges + next, batch);
        if (advised < 0 && stopsTheWalk(-advised)) {
            result.end = WalkEnd::Stopped;
            return result;
        }
        if (advised < 0 && -advised == EFAULT && batch > 1) {
            for (std::size_t i = 0; i < batch; ++i) {
                const long one = submit(ranges + next + i, 1);
                if (one < 0 && stopsTheWalk(-one)) {
                    result.end = WalkEnd::Stopped;
                    return result;
                }
                if (one > 0) result.advisedBytes += static_cast<std::uint64_t>(one);
            }
            next += batch;
            continue;
        }
        if (advised < 0) {
            ++next;  // the first range of the batch was refused
            continue;
        }
        const auto bytes = static_cast<std::uint64_t>(advised);
        result.advisedBytes += bytes;
        const std::size_t covered = detail::rangesCovered(ranges + next, batch, bytes);
        next += covered == batch ? batch : covered + 1;  // step over the refused one
    }
    return result;
}

}  // namespace qv::platform::proctrim
