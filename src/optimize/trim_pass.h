#pragma once

#include <cstdint>

#include "core/shared_state.h"
#include "core/text.h"
#include "platform/processes.h"
#include "ui/controls.h"

namespace qv {

/// The trim pass: enumerates the processes into the shared table, measures
/// used physical memory, asks the system to empty every process's working set
/// (no result is tested: a process that cannot be opened is simply left as it
/// is), measures again and writes the freed megabytes into the status label.
/// Allocates nothing per process.
class TrimPass {
public:
    TrimPass(SharedState& state, platform::ProcessApi& processes, LabelControl& status);

    /// One whole pass, synchronously.
    void run();

private:
    void visitProcesses(std::int32_t count);

    SharedState& m_state;
    platform::ProcessApi& m_processes;
    LabelControl& m_status;
};

/// Used physical bytes of a reading, as the pass takes it: total minus
/// available, each as a double, toward zero.
std::int64_t UsedPhysicalBytes(const platform::PhysicalMemory& memory);

/// The number of table entries a byte count names, within the table.
std::int32_t VisitCount(std::int32_t processIdBytes);

/// "自动内存优化功能－本次共计释放内存： " + the megabytes to two decimals + " MB".
Text TrimStatusText(double freedMegabytes);

}  // namespace qv
