#pragma once

#include <cstddef>
#include <cstdint>

#include "core/shared_state.h"

// The process functions as this platform exports them to be bound by name at
// run time: EnumProcesses from the process-status library "psapi.dll", the
// other four from the system's standard libraries (on Linux: exported by the
// program itself). Plain C calls, so that the binder can take them by name.

extern "C" {

/// The physical figures of the reading that filled the record, free of the
/// record's 32-bit limit.
struct QvPhysicalMemory {
    std::uint64_t totalBytes;
    std::uint64_t availableBytes;
};

/// Nonzero on success; writes at most bufferBytes / 4 identifiers.
using EnumProcessesFunction = std::int32_t (*)(std::uint32_t* ids, std::uint32_t bufferBytes,
                                               std::int32_t* bytesReturned);
using GlobalMemoryStatusFunction = QvPhysicalMemory (*)(qv::MEMORYSTATUS* record);
/// 0 when the process cannot be opened.
using OpenProcessFunction = std::uint64_t (*)(std::uint32_t desiredAccess, std::int32_t inherit,
                                              std::uint32_t processId);
using SetProcessWorkingSetSizeFunction = std::int32_t (*)(std::uint64_t process,
                                                          std::size_t minimumSize,
                                                          std::size_t maximumSize);
using CloseHandleFunction = std::int32_t (*)(std::uint64_t handle);

}  // extern "C"
