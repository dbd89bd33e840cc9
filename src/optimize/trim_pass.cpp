#include "optimize/trim_pass.h"

#include <algorithm>

#include "core/conversions.h"
#include "core/texts.h"

namespace qv {
namespace {

constexpr double kBytesPerMegabyte = 1048576.0;
constexpr int kFreedPlaces = 2;

}  // namespace

std::int64_t UsedPhysicalBytes(const platform::PhysicalMemory& memory) {
    return TruncateToInteger(static_cast<double>(memory.totalBytes) -
                             static_cast<double>(memory.availableBytes));
}

std::int32_t VisitCount(std::int32_t processIdBytes) {
    // A layer that reports more than the table holds must not make the loop
    // read past it.
    const auto count = TruncateToInteger(static_cast<double>(processIdBytes) / 4.0);
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(kProcessIdCapacity)));
}

Text TrimStatusText(double freedMegabytes) {
    const Text figure = NumberToText(RoundDecimal(freedMegabytes, kFreedPlaces));
    return ConcatText({texts::kTrimStatusPrefix, figure, texts::kTrimStatusSuffix});
}

TrimPass::TrimPass(SharedState& state, platform::ProcessApi& processes, LabelControl& status)
    : m_state(state), m_processes(processes), m_status(status) {}

void TrimPass::run() {
    if (!m_state.allocated()) return;
    m_processes.EnumProcesses(m_state.ProcessIdTable->data(),
                              static_cast<std::uint32_t>(kProcessIdTableBytes),
                              &m_state.ProcessIdBytes);

    // The record keeps its 32-bit fields, but the arithmetic runs on the full
    // figures of the same reading: on a machine with more than 4 GiB the
    // record's figures are saturated and their difference means nothing.
    const auto usedBefore = UsedPhysicalBytes(m_processes.GlobalMemoryStatus(*m_state.memoryStatus));
    m_state.UsedPhysBeforeTrim = LowBits32(usedBefore);

    visitProcesses(VisitCount(m_state.ProcessIdBytes));

    const platform::PhysicalMemory after = m_processes.GlobalMemoryStatus(*m_state.memoryStatus);
    const double usedAfter =
        static_cast<double>(after.totalBytes) - static_cast<double>(after.availableBytes);
    const double freed = (static_cast<double>(usedBefore) - usedAfter) / kBytesPerMegabyte;
    m_status.setCaption(TrimStatusText(freed));
}

void TrimPass::visitProcesses(std::int32_t count) {
    const ProcessIdArray& table = *m_state.ProcessIdTable;
    for (std::int32_t i = 0; i < count; ++i) {
        const platform::ProcessHandle handle =
            m_processes.OpenProcess(platform::kProcessAllAccess, false, table[static_cast<std::size_t>(i)]);
        m_processes.SetProcessWorkingSetSize(handle, platform::kTrimWholeWorkingSet,
                                             platform::kTrimWholeWorkingSet);
        m_processes.CloseHandle(handle);
    }
}

}  // namespace qv
