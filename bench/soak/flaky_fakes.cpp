#include "flaky_fakes.h"

#include <algorithm>
#include <cstring>

#include "core/texts.h"

namespace qv::soak {
namespace {

constexpr std::uint64_t kMiB = 1ull << 20;
constexpr double kOddReading = 0.002;
constexpr double kEnumerationFailure = 0.05;
constexpr double kMisreportedCount = 0.01;
constexpr double kOpenFailure = 0.15;
constexpr double kTrimFailure = 0.10;
constexpr std::size_t kMaxProcesses = 300;

std::uint32_t saturate(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, 0xFFFFFFFFu));
}

std::uint32_t pidOf(platform::ProcessHandle handle) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(handle) >> 8);
}

}  // namespace

WanderingMemory::Reading WanderingMemory::read() {
    if (m_chance.happens(kOddReading)) return oddReading();
    const auto step = static_cast<std::int64_t>(m_chance.between(-64, 64)) * static_cast<std::int64_t>(kMiB);
    const auto moved = static_cast<std::int64_t>(m_available) + step;
    m_available = static_cast<std::uint64_t>(std::clamp<std::int64_t>(
        moved, static_cast<std::int64_t>(256 * kMiB), static_cast<std::int64_t>(m_total - 128 * kMiB)));
    return {m_total, m_available, 3ull << 30, (3ull << 30) - 512 * kMiB, 10ull << 30, 6ull << 30};
}

WanderingMemory::Reading WanderingMemory::oddReading() {
    ++m_faults.oddMemoryReadings;
    switch (m_chance.between(0, 3)) {
        case 0: return {m_total, 0, 0, 0, 0, 0};                       // nothing free
        case 1: return {m_total, m_total, 3ull << 30, 3ull << 30, 0, 0};  // all free
        case 2:
            if (m_zeroTotals == ZeroTotals::Never) return {m_total, 0, 0, 0, 0, 0};
            return {0, 0, 0, 0, 0, 0};  // nothing read
        default: return {64ull << 30, 1ull << 30, 1ull << 40, 1ull << 39, 1ull << 36, 1ull << 35};
    }
}

void WanderingMemory::release(std::uint64_t bytes) {
    m_available = std::min(m_available + bytes, m_total - 128 * kMiB);
}

void FlakyProcesses::churn() {
    if (m_running.empty() || m_chance.happens(0.01)) {
        m_running.clear();
        const auto count = m_chance.between(1, kMaxProcesses);
        for (std::int64_t i = 0; i < count; ++i) m_running.push_back(m_nextId += 4);
        return;
    }
    // a few end, a few start
    const auto ending = std::min<std::int64_t>(m_chance.between(0, 3), static_cast<std::int64_t>(m_running.size()) - 1);
    for (std::int64_t i = 0; i < ending; ++i)
        m_running.erase(m_running.begin() + m_chance.between(0, static_cast<std::int64_t>(m_running.size()) - 1));
    const auto starting = m_chance.between(0, 3);
    for (std::int64_t i = 0; i < starting && m_running.size() < kMaxProcesses; ++i)
        m_running.push_back(m_nextId += 4);
}

bool FlakyProcesses::EnumProcesses(std::uint32_t* ids, std::uint32_t bufferBytes, std::int32_t* bytesReturned) {
    churn();
    if (m_chance.happens(kEnumerationFailure)) {
        ++m_faults.enumerationFailures;
        return false;
    }
    const std::size_t fits = std::min<std::size_t>(m_running.size(), bufferBytes / 4);
    std::copy_n(m_running.begin(), fits, ids);
    *bytesReturned = static_cast<std::int32_t>(4 * fits);
    if (m_chance.happens(kMisreportedCount)) {
        ++m_faults.misreportedCounts;
        *bytesReturned = m_chance.happens(0.5) ? -4 : 0x7FFFFFF0;
    }
    return true;
}

platform::PhysicalMemory FlakyProcesses::GlobalMemoryStatus(MEMORYSTATUS& record) {
    const auto reading = m_memory.read();
    record = MEMORYSTATUS{};
    record.dwLength = sizeof(MEMORYSTATUS);
    record.dwTotalPhys = saturate(reading.totalPhys);
    record.dwAvailPhys = saturate(reading.availPhys);
    return {reading.totalPhys, reading.availPhys};
}

platform::ProcessHandle FlakyProcesses::OpenProcess(std::uint32_t access, bool inherit, std::uint32_t id) {
    if (access != platform::kProcessAllAccess || inherit) ++m_badCalls;
    if (id == 0 || m_chance.happens(kOpenFailure)) {
        ++m_faults.openFailures;
        return platform::kNullProcessHandle;
    }
    ++m_handlesOpen;
    return platform::ProcessHandle{(static_cast<std::uint64_t>(id) << 8) | 1u};
}

bool FlakyProcesses::SetProcessWorkingSetSize(platform::ProcessHandle handle, std::size_t minimum,
                                              std::size_t maximum) {
    if (minimum != platform::kTrimWholeWorkingSet || maximum != platform::kTrimWholeWorkingSet) ++m_badCalls;
    if (handle == platform::kNullProcessHandle) return false;
    if (m_chance.happens(kTrimFailure)) {
        ++m_faults.trimFailures;
        return false;
    }
    ++m_trims;
    m_memory.release(static_cast<std::uint64_t>(m_chance.between(0, 2)) * kMiB + (pidOf(handle) % 7) * 4096);
    return true;
}

bool FlakyProcesses::CloseHandle(platform::ProcessHandle handle) {
    if (handle == platform::kNullProcessHandle) return false;
    --m_handlesOpen;
    return true;
}

void RecordingShell::showMessageBox(const Text& text, const Text& caption) {
    ++messages;
    if (caption != texts::kMessageCaption) ++badCaptions;
    if (text.empty()) ++emptyTexts;
    lastText = text;
}

}  // namespace qv::soak
