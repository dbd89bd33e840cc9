#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What a report says about one process: its name, its resident size and its
// page faults, read from the process file system.

namespace qv::platform {

struct ProcessSample {
    std::string name;  // as the system spells it (UTF-8 on Linux)
    std::uint64_t residentKb = 0;
    std::uint64_t minorFaults = 0;
    std::uint64_t majorFaults = 0;
    /// A thread of the kernel: it has no user memory to trim.
    bool kernelThread = false;
};

/// The process as it is now; empty when it is gone (or never was).
std::optional<ProcessSample> sampleProcess(std::uint32_t pid, const std::string& procRoot = "/proc");

/// MemAvailable of the system in kB; empty when unreadable.
std::optional<std::uint64_t> availableMemoryKb(const std::string& procRoot = "/proc");

/// Pure parsers of the files sampleProcess reads.
bool parseProcessStatus(std::string_view status, ProcessSample& sample);
bool parseProcessStat(std::string_view stat, ProcessSample& sample);

}  // namespace qv::platform
