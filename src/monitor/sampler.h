#pragma once

#include <cstdint>
#include <optional>

#include "platform/counters.h"

// The statistics sampler: memory figures in whole megabytes and the processor
// usage in percent, read through the counters seam. The arithmetic is kept in
// pure functions so that it can be checked on canned counters.

namespace qv {

/// Selects one memory figure; any other value selects total physical memory.
enum class MemorySizeKind : std::int32_t {
    TotalPhys = 0,
    AvailPhys = 1,
    TotalVirtual = 2,
    AvailVirtual = 3,
    TotalPageFile = 4,
    AvailPageFile = 5,
};

/// Which memory status call is in use; decided by the first memory query.
enum class MemoryStatusMode { Undecided, Extended, Plain };

/// The previous processor sample; a zero idle time means none taken yet.
struct CpuUsageState {
    std::int64_t lastIdleTime = 0;    // 100 ns, all processors summed
    std::int64_t lastSystemTime = 0;  // 100 ns
};

/// One processor sample, 100 ns units.
struct CpuSample {
    std::int64_t idleTime = 0;
    std::int64_t systemTime = 0;
};

/// Bytes shifted right by 20 as unsigned, low 32 bits read as signed.
std::int32_t MegabytesOf(std::uint64_t bytes);

/// A 64-bit counter as a double: high 32 bits (signed) × 2^32 + low 32 bits.
double CounterToDouble(std::int64_t counter);

/// 100 − (idle difference ÷ time difference) × 100 ÷ processors + 0.5, in that
/// order, truncated and kept within 0..100. Empty when no time has passed
/// between the samples, which leaves nothing to divide.
std::optional<std::int32_t> ComputeCpuUsage(const CpuSample& previous, const CpuSample& current,
                                            std::uint8_t processors);

/// Returned when the processor counters cannot be read.
inline constexpr std::int32_t kCpuUsageUnreadable = -1;

/// The sampler with its state: one per process in the program, a fresh one
/// per test.
class Sampler {
public:
    explicit Sampler(platform::Counters& counters) : m_counters(counters) {}

    /// The figure in megabytes; every call asks the system afresh.
    std::int32_t QueryMemorySize(MemorySizeKind kind = MemorySizeKind::TotalPhys);

    /// Processor usage in percent since the previous call, or -1 when the
    /// counters cannot be read. The first call waits for a second sample.
    std::int32_t QueryCpuUsage();

    MemoryStatusMode memoryStatusMode() const { return m_mode; }
    const CpuUsageState& cpuUsageState() const { return m_cpu; }

private:
    void decideMemoryStatusMode();
    std::int32_t queryCpuUsageNt();
    std::int32_t queryCpuUsage9x();

    platform::Counters& m_counters;
    MemoryStatusMode m_mode = MemoryStatusMode::Undecided;
    platform::GlobalMemoryStatusExEntry m_memoryStatusEx;
    CpuUsageState m_cpu;
    std::int32_t m_lastUsage = 0;  // answered when no time has passed
};

}  // namespace qv
