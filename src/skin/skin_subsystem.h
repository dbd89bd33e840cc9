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
/// libraries, the binder (fatal errors and releases through the application)
/// and the engine reached through it. Lives for the whole run.
class SkinSubsystem {
public:
    SkinSubsystem(Application& application, std::unique_ptr<platform::FileSystem> files,
                  std::unique_ptr<platform::Libraries> libraries, const SkinPayloads& payloads,
                  RegistryNumberReader readNumber);

    /// InstallSkin with the module name, on this subsystem's pieces.
    void install(TextView moduleName);

    /// The binder, shared by every function the program binds by name.
    ExternalFunctionBinder& binder() { return m_binder; }

private:
    Application& m_application;
    std::unique_ptr<platform::FileSystem> m_files;
    std::unique_ptr<platform::Libraries> m_libraries;
    const SkinPayloads& m_payloads;
    RegistryNumberReader m_readNumber;
    ExternalFunctionBinder m_binder;
    BoundSkinEngine m_engine;
};

}  // namespace qv::skin
