#include "soak_monitor.h"

#include <algorithm>
#include <cstring>

#include "monitor/dashboard.h"
#include "monitor/sampler.h"
#include "platform/counters.h"

namespace qv::soak {
namespace {

constexpr double kProcessorQueryFailure = 0.02;
constexpr std::int64_t kTicksPerMillisecond = 10000;  // 100 ns units

std::uint32_t saturate(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, 0xFFFFFFFFu));
}

void put64(std::span<std::byte> buffer, std::size_t offset, std::int64_t value) {
    std::memcpy(buffer.data() + offset, &value, sizeof value);
}

/// Processor and memory counters whose processor query fails at random and
/// whose sleep passes virtual time.
class FlakyCounters final : public platform::Counters {
public:
    FlakyCounters(VirtualEventLoop& loop, WanderingMemory& memory, Chance& chance, FaultCounts& faults)
        : m_loop(loop), m_memory(memory), m_chance(chance), m_faults(faults) {}

    std::optional<platform::OsVersion> getVersionEx(platform::VersionRecord record) override;
    platform::GlobalMemoryStatusExEntry findGlobalMemoryStatusEx() override;
    platform::NtQuerySystemInformationEntry findNtQuerySystemInformation() override;
    void globalMemoryStatus(MEMORYSTATUS& status) override;
    void sleep(std::chrono::milliseconds duration) override { m_loop.consume(duration); }
    std::int32_t openDynDataKey(TextView, platform::DynDataAccess, platform::DynDataKey&) override { return 2; }
    void queryDynDataValue(platform::DynDataKey, TextView, std::array<std::byte, 4>&) override {}
    void closeDynDataKey(platform::DynDataKey) override {}

private:
    std::int32_t query(platform::SystemInformationClass infoClass, std::span<std::byte> buffer);

    VirtualEventLoop& m_loop;
    WanderingMemory& m_memory;
    Chance& m_chance;
    FaultCounts& m_faults;
    std::uint8_t m_processors = 4;
    std::int64_t m_idle = 1;        // 100 ns, all processors
    std::int64_t m_lastSystem = 0;  // 100 ns
};

std::optional<platform::OsVersion> FlakyCounters::getVersionEx(platform::VersionRecord) {
    return platform::OsVersion{10, 0, platform::kPlatformNt};
}

platform::GlobalMemoryStatusExEntry FlakyCounters::findGlobalMemoryStatusEx() {
    return [this](platform::MEMORYSTATUSEX& status) {
        const auto reading = m_memory.read();
        status.ullTotalPhys = reading.totalPhys;
        status.ullAvailPhys = reading.availPhys;
        status.ullTotalVirtual = reading.totalVirtual;
        status.ullAvailVirtual = reading.availVirtual;
        status.ullTotalPageFile = reading.totalPageFile;
        status.ullAvailPageFile = reading.availPageFile;
    };
}

platform::NtQuerySystemInformationEntry FlakyCounters::findNtQuerySystemInformation() {
    return [this](platform::SystemInformationClass infoClass, std::span<std::byte> buffer) {
        return query(infoClass, buffer);
    };
}

void FlakyCounters::globalMemoryStatus(MEMORYSTATUS& status) {
    const auto reading = m_memory.read();
    status.dwTotalPhys = saturate(reading.totalPhys);
    status.dwAvailPhys = saturate(reading.availPhys);
    status.dwTotalVirtual = saturate(reading.totalVirtual);
    status.dwAvailVirtual = saturate(reading.availVirtual);
}

std::int32_t FlakyCounters::query(platform::SystemInformationClass infoClass, std::span<std::byte> buffer) {
    using platform::SystemInformationClass;
    if (m_chance.happens(kProcessorQueryFailure)) {
        ++m_faults.processorQueryFailures;
        return -1;
    }
    switch (infoClass) {
        case SystemInformationClass::Basic:
            if (buffer.size() != platform::kBasicInformationBytes) return -2;
            buffer[platform::kProcessorCountOffset] = static_cast<std::byte>(m_processors);
            return 0;
        case SystemInformationClass::TimeOfDay: {
            if (buffer.size() != platform::kTimeOfDayInformationBytes) return -2;
            const std::int64_t now = m_loop.now().count() * kTicksPerMillisecond;
            // the idle time of all processors grows by a random share of what passed
            const std::int64_t passed = std::max<std::int64_t>(now - m_lastSystem, 0);
            m_idle += static_cast<std::int64_t>(static_cast<double>(passed * m_processors) * m_chance.fraction());
            m_lastSystem = now;
            put64(buffer, platform::kCurrentTimeOffset, now);
            return 0;
        }
        case SystemInformationClass::Performance:
            if (buffer.size() != platform::kPerformanceInformationBytes) return -2;
            put64(buffer, platform::kIdleTimeOffset, m_idle);
            return 0;
    }
    return -1;
}

}  // namespace

struct SoakDashboard::Parts {
    Parts(VirtualEventLoop& loop, WanderingMemory& memory, Chance& chance, FaultCounts& faults)
        : counters(loop, memory, chance, faults), sampler(counters) {}
    FlakyCounters counters;
    Sampler sampler;
};

SoakDashboard::SoakDashboard(VirtualEventLoop& loop, WanderingMemory& memory, Chance& chance,
                             FaultCounts& faults)
    : m_parts(std::make_unique<Parts>(loop, memory, chance, faults)) {}

SoakDashboard::~SoakDashboard() = default;

void SoakDashboard::refresh(MainWindowControls& controls) { RefreshDashboard(controls, m_parts->sampler); }

}  // namespace qv::soak
