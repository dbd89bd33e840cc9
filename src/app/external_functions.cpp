#include "app/external_functions.h"

#include "platform/files.h"
#include "platform/process_functions.h"

namespace qv {

using skin::ExternalId;

ExternalFunctions::ExternalFunctions(Application& application,
                                     std::unique_ptr<platform::Libraries> libraries)
    : m_libraries(std::move(libraries)),
      m_binder(
          *m_libraries, [&application](const Text& message) { application.fatal(message); },
          [&application](std::function<void()> release) {
              application.addLibraryRelease(std::move(release));
          }) {}

ExternalFunctions& SharedExternalFunctions(Wiring& wiring) {
    if (!wiring.externalFunctions) {
        wiring.externalFunctions = &wiring.own<ExternalFunctions>(
            wiring.application, platform::makeLibraries(platform::defaultDriveRoot()));
    }
    return *wiring.externalFunctions;
}

// Each call binds its entry the first time; when the binding fails the fatal
// error ends the program, so the null checks only matter where a test's
// fatal handler returns.

bool BoundProcessApi::EnumProcesses(std::uint32_t* ids, std::uint32_t bufferBytes,
                                    std::int32_t* bytesReturned) {
    const auto call = m_binder.function<EnumProcessesFunction>(ExternalId::EnumProcesses);
    return call && call(ids, bufferBytes, bytesReturned) != 0;
}

platform::PhysicalMemory BoundProcessApi::GlobalMemoryStatus(MEMORYSTATUS& record) {
    const auto call = m_binder.function<GlobalMemoryStatusFunction>(ExternalId::GlobalMemoryStatus);
    if (!call) return {};
    const QvPhysicalMemory memory = call(&record);
    return platform::PhysicalMemory{memory.totalBytes, memory.availableBytes};
}

platform::ProcessHandle BoundProcessApi::OpenProcess(std::uint32_t desiredAccess,
                                                     bool inheritHandle, std::uint32_t processId) {
    const auto call = m_binder.function<OpenProcessFunction>(ExternalId::OpenProcess);
    if (!call) return platform::kNullProcessHandle;
    return platform::ProcessHandle{call(desiredAccess, inheritHandle ? 1 : 0, processId)};
}

bool BoundProcessApi::SetProcessWorkingSetSize(platform::ProcessHandle process,
                                               std::size_t minimumSize, std::size_t maximumSize) {
    const auto call =
        m_binder.function<SetProcessWorkingSetSizeFunction>(ExternalId::SetProcessWorkingSetSize);
    return call && call(static_cast<std::uint64_t>(process), minimumSize, maximumSize) != 0;
}

bool BoundProcessApi::CloseHandle(platform::ProcessHandle handle) {
    const auto call = m_binder.function<CloseHandleFunction>(ExternalId::CloseHandle);
    return call && call(static_cast<std::uint64_t>(handle)) != 0;
}

}  // namespace qv
