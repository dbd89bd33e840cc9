#include "monitor/sampler.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

#include "monitor/sampler_texts.h"

namespace qv {
namespace {

using platform::SystemInformationClass;

constexpr auto kFirstSampleWait = std::chrono::milliseconds{800};
constexpr auto kStatisticsWait = std::chrono::milliseconds{500};
constexpr std::uint32_t kFirstExtendedMajorVersion = 5;
constexpr int kMegabyteShift = 20;
constexpr double kTwoTo32 = 4294967296.0;

std::uint64_t fieldOf(const MEMORYSTATUS& status, MemorySizeKind kind) {
    switch (kind) {
        case MemorySizeKind::AvailPhys: return status.dwAvailPhys;
        case MemorySizeKind::TotalVirtual: return status.dwTotalVirtual;
        case MemorySizeKind::AvailVirtual: return status.dwAvailVirtual;
        case MemorySizeKind::TotalPageFile: return status.dwTotalPageFile;
        case MemorySizeKind::AvailPageFile: return status.dwAvailPageFile;
        case MemorySizeKind::TotalPhys: break;
    }
    return status.dwTotalPhys;
}

std::uint64_t fieldOf(const platform::MEMORYSTATUSEX& status, MemorySizeKind kind) {
    switch (kind) {
        case MemorySizeKind::AvailPhys: return status.ullAvailPhys;
        case MemorySizeKind::TotalVirtual: return status.ullTotalVirtual;
        case MemorySizeKind::AvailVirtual: return status.ullAvailVirtual;
        case MemorySizeKind::TotalPageFile: return status.ullTotalPageFile;
        case MemorySizeKind::AvailPageFile: return status.ullAvailPageFile;
        case MemorySizeKind::TotalPhys: break;
    }
    return status.ullTotalPhys;
}

template <std::size_t N>
std::int64_t loadLittleEndian64(const std::array<std::byte, N>& buffer, std::size_t offset) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        value |= static_cast<std::uint64_t>(buffer[offset + i]) << (8 * i);
    }
    return static_cast<std::int64_t>(value);
}

/// System time (first) and idle time (second), as the usage formula pairs
/// them; false when either query fails.
bool takeSample(const platform::NtQuerySystemInformationEntry& query, CpuSample& sample) {
    std::array<std::byte, platform::kTimeOfDayInformationBytes> timeOfDay{};
    if (query(SystemInformationClass::TimeOfDay, timeOfDay) != 0) return false;
    std::array<std::byte, platform::kPerformanceInformationBytes> performance{};
    if (query(SystemInformationClass::Performance, performance) != 0) return false;
    sample.systemTime = loadLittleEndian64(timeOfDay, platform::kCurrentTimeOffset);
    sample.idleTime = loadLittleEndian64(performance, platform::kIdleTimeOffset);
    return true;
}

std::int32_t clampPercent(double usage) {
    if (std::isnan(usage)) return 0;
    return static_cast<std::int32_t>(std::clamp(usage, 0.0, 100.0));
}

}  // namespace

std::int32_t MegabytesOf(std::uint64_t bytes) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes >> kMegabyteShift));
}

double CounterToDouble(std::int64_t counter) {
    const auto bits = static_cast<std::uint64_t>(counter);
    const auto high = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits >> 32));
    const auto low = static_cast<std::uint32_t>(bits);
    return static_cast<double>(high) * kTwoTo32 + static_cast<double>(low);
}

std::optional<std::int32_t> ComputeCpuUsage(const CpuSample& previous, const CpuSample& current,
                                            std::uint8_t processors) {
    const double idleDifference = CounterToDouble(current.idleTime) - CounterToDouble(previous.idleTime);
    const double timeDifference =
        CounterToDouble(current.systemTime) - CounterToDouble(previous.systemTime);
    // a clock that stood still (or was set back) gives no interval to measure
    if (!(timeDifference > 0.0)) return std::nullopt;
    const double usage = 100.0 - (idleDifference / timeDifference) * 100.0 / processors + 0.5;
    return clampPercent(usage);
}

std::int32_t Sampler::QueryMemorySize(MemorySizeKind kind) {
    if (m_mode == MemoryStatusMode::Undecided) decideMemoryStatusMode();
    if (m_mode == MemoryStatusMode::Plain) {
        MEMORYSTATUS status;
        status.dwLength = platform::kMemoryStatusBytes;
        m_counters.globalMemoryStatus(status);
        return MegabytesOf(fieldOf(status, kind));
    }
    platform::MEMORYSTATUSEX status;
    status.dwLength = platform::kMemoryStatusExBytes;
    m_memoryStatusEx(status);
    return MegabytesOf(fieldOf(status, kind));
}

void Sampler::decideMemoryStatusMode() {
    const auto version = m_counters.getVersionEx(platform::VersionRecord::Basic);
    if (version && version->majorVersion >= kFirstExtendedMajorVersion) {
        m_memoryStatusEx = m_counters.findGlobalMemoryStatusEx();
    }
    m_mode = m_memoryStatusEx ? MemoryStatusMode::Extended : MemoryStatusMode::Plain;
}

std::int32_t Sampler::QueryCpuUsage() {
    auto version = m_counters.getVersionEx(platform::VersionRecord::Extended);
    if (!version) version = m_counters.getVersionEx(platform::VersionRecord::Basic);
    const bool ntFamily = version && version->platformId == platform::kPlatformNt;
    return ntFamily ? queryCpuUsageNt() : queryCpuUsage9x();
}

std::int32_t Sampler::queryCpuUsageNt() {
    const auto query = m_counters.findNtQuerySystemInformation();
    if (!query) return kCpuUsageUnreadable;
    std::array<std::byte, platform::kBasicInformationBytes> basic{};
    if (query(SystemInformationClass::Basic, basic) != 0) return kCpuUsageUnreadable;
    const auto processors = static_cast<std::uint8_t>(basic[platform::kProcessorCountOffset]);

    CpuSample sample;
    if (!takeSample(query, sample)) return kCpuUsageUnreadable;
    while (m_cpu.lastIdleTime == 0) {
        m_cpu = {sample.idleTime, sample.systemTime};
        m_counters.sleep(kFirstSampleWait);
        if (!takeSample(query, sample)) return kCpuUsageUnreadable;
    }
    const auto usage = ComputeCpuUsage({m_cpu.lastIdleTime, m_cpu.lastSystemTime}, sample, processors);
    if (!usage) return m_lastUsage;
    m_cpu = {sample.idleTime, sample.systemTime};
    m_lastUsage = *usage;
    return *usage;
}

std::int32_t Sampler::queryCpuUsage9x() {
    using platform::DynDataAccess;
    std::array<std::byte, 4> ignored{};
    platform::DynDataKey key = 0;
    if (m_counters.openDynDataKey(kStartStatKey, DynDataAccess::AllAccess, key) != 0) return kCpuUsageUnreadable;
    m_counters.queryDynDataValue(key, kCpuUsageValue, ignored);
    m_counters.closeDynDataKey(key);

    if (m_counters.openDynDataKey(kStatDataKey, DynDataAccess::Read, key) != 0) return kCpuUsageUnreadable;
    std::array<std::byte, 4> usage{};
    m_counters.queryDynDataValue(key, kCpuUsageValue, usage);
    m_counters.sleep(kStatisticsWait);
    m_counters.closeDynDataKey(key);

    if (m_counters.openDynDataKey(kStopStatKey, DynDataAccess::AllAccess, key) != 0) return kCpuUsageUnreadable;
    m_counters.queryDynDataValue(key, kCpuUsageValue, ignored);
    m_counters.closeDynDataKey(key);

    std::uint32_t value = 0;
    for (std::size_t i = 0; i < usage.size(); ++i) value |= static_cast<std::uint32_t>(usage[i]) << (8 * i);
    return clampPercent(static_cast<double>(static_cast<std::int32_t>(value)));
}

}  // namespace qv
