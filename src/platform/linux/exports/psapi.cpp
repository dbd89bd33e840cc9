// The process-status library: EnumProcesses, built as "psapi.dll" and kept
// beside the programs, where they bind it by name at the first trim pass.

#include "platform/process_functions.h"
#include "platform/processes.h"

extern "C" __attribute__((visibility("default"))) std::int32_t EnumProcesses(
    std::uint32_t* ids, std::uint32_t bufferBytes, std::int32_t* bytesReturned) {
    static const auto api = qv::platform::makeSystemProcessApi();
    return api->EnumProcesses(ids, bufferBytes, bytesReturned) ? 1 : 0;
}
