// The four process functions of the system's standard libraries, exported by
// the program itself: on Linux there is no kernel library to take them from.

#include "platform/process_functions.h"
#include "platform/processes.h"

namespace {

qv::platform::ProcessApi& system() {
    static const auto api = qv::platform::makeSystemProcessApi();
    return *api;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) QvPhysicalMemory GlobalMemoryStatus(qv::MEMORYSTATUS* record) {
    if (record == nullptr) return QvPhysicalMemory{0, 0};
    const auto memory = system().GlobalMemoryStatus(*record);
    return QvPhysicalMemory{memory.totalBytes, memory.availableBytes};
}

__attribute__((visibility("default"))) std::uint64_t OpenProcess(std::uint32_t desiredAccess,
                                                                  std::int32_t inherit,
                                                                  std::uint32_t processId) {
    return static_cast<std::uint64_t>(system().OpenProcess(desiredAccess, inherit != 0, processId));
}

__attribute__((visibility("default"))) std::int32_t SetProcessWorkingSetSize(
    std::uint64_t process, std::size_t minimumSize, std::size_t maximumSize) {
    return system().SetProcessWorkingSetSize(qv::platform::ProcessHandle{process}, minimumSize,
                                             maximumSize)
               ? 1
               : 0;
}

__attribute__((visibility("default"))) std::int32_t CloseHandle(std::uint64_t handle) {
    return system().CloseHandle(qv::platform::ProcessHandle{handle}) ? 1 : 0;
}

}  // extern "C"
