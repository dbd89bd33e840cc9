#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "core/text.h"

namespace qv {

/// The memory status record the trim pass fills: eight unsigned 32-bit
/// fields, 32 bytes, in this order.
struct MEMORYSTATUS {
    std::uint32_t dwLength = 0;
    std::uint32_t dwMemoryLoad = 0;
    std::uint32_t dwTotalPhys = 0;
    std::uint32_t dwAvailPhys = 0;
    std::uint32_t dwTotalPageFile = 0;
    std::uint32_t dwAvailPageFile = 0;
    std::uint32_t dwTotalVirtual = 0;
    std::uint32_t dwAvailVirtual = 0;
};
static_assert(sizeof(MEMORYSTATUS) == 32);

inline constexpr std::size_t kProcessIdCapacity = 1024;
inline constexpr std::int32_t kProcessIdTableBytes = 4 * kProcessIdCapacity;
using ProcessIdArray = std::array<std::uint32_t, kProcessIdCapacity>;

/// The program-wide state that the handlers share, all of it touched on the
/// user-interface thread only. The table and the record are allocated once
/// and reused by every trim pass: never reallocated, never cleared.
struct SharedState {
    float MemoryUsagePercent = 0.0f;
    std::unique_ptr<ProcessIdArray> ProcessIdTable;
    std::int32_t ProcessIdBytes = 0;
    std::unique_ptr<MEMORYSTATUS> memoryStatus;
    std::int32_t UsedPhysBeforeTrim = 0;
    Text SkinModuleName;

    /// How often the clean-up ran: bookkeeping that lets a check tell "released
    /// once" from "released twice" or "never".
    std::uint32_t releaseCount = 0;

    bool allocated() const { return ProcessIdTable && memoryStatus; }
};

/// Creates the 1024 zero entries of the table and the zero-filled record.
void AllocateSharedState(SharedState& state);

/// Releases the table, the record and the module name.
void ReleaseSharedState(SharedState& state);

}  // namespace qv
