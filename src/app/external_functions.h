#pragma once

#include <memory>

#include "app/wiring.h"
#include "platform/libraries.h"
#include "platform/processes.h"
#include "skin/binder.h"

namespace qv {

/// The run's one table of functions bound by name: the process functions of
/// the trim pass and the skin engine's. A function that cannot be bound is
/// the fatal error; every bound entry is released by the orderly end.
class ExternalFunctions {
public:
    ExternalFunctions(Application& application, std::unique_ptr<platform::Libraries> libraries);

    skin::ExternalFunctionBinder& binder() { return m_binder; }

private:
    std::unique_ptr<platform::Libraries> m_libraries;
    skin::ExternalFunctionBinder m_binder;
};

/// The wiring's table, made at the first call (libraries with the drive of
/// the user's data folder).
ExternalFunctions& SharedExternalFunctions(Wiring& wiring);

/// The trim pass's process operations, each a call through its entry of the
/// table, bound at its first call.
class BoundProcessApi final : public platform::ProcessApi {
public:
    explicit BoundProcessApi(skin::ExternalFunctionBinder& binder) : m_binder(binder) {}

    bool EnumProcesses(std::uint32_t* ids, std::uint32_t bufferBytes,
                       std::int32_t* bytesReturned) override;
    platform::PhysicalMemory GlobalMemoryStatus(MEMORYSTATUS& record) override;
    platform::ProcessHandle OpenProcess(std::uint32_t desiredAccess, bool inheritHandle,
                                        std::uint32_t processId) override;
    bool SetProcessWorkingSetSize(platform::ProcessHandle process, std::size_t minimumSize,
                                  std::size_t maximumSize) override;
    bool CloseHandle(platform::ProcessHandle handle) override;

private:
    skin::ExternalFunctionBinder& m_binder;
};

}  // namespace qv
