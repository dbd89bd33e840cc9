#pragma once

#include <memory>
#include <string>

#include "core/application.h"
#include "platform/files.h"
#include "platform/libraries.h"
#include "skin/binder.h"
#include "skin/payloads.h"
#include "skin/skin_engine.h"
#include "skin/skin_installer.h"

namespace qv::skin {

/// The skin installation put together for a front end: the mapped files, the
/// binder and the engine reached through it. Lives for the whole run.
class SkinSubsystem {
public:
    /// `binder` is the run's one table of functions bound by name.
    SkinSubsystem(Application& application, std::unique_ptr<platform::FileSystem> files,
                  ExternalFunctionBinder& binder, const SkinPayloads& payloads,
                  RegistryNumberReader readNumber);

    /// InstallSkin with the module name, on this subsystem's pieces.
    void install(TextView moduleName);

    /// The binder, shared by every function the program binds by name.
    ExternalFunctionBinder& binder() { return m_binder; }

private:
    Application& m_application;
    std::unique_ptr<platform::FileSystem> m_files;
    const SkinPayloads& m_payloads;
    RegistryNumberReader m_readNumber;
    ExternalFunctionBinder& m_binder;
    BoundSkinEngine m_engine;
};

}  // namespace qv::skin
