#include "skin/skin_subsystem.h"

namespace qv::skin {

SkinSubsystem::SkinSubsystem(Application& application, std::unique_ptr<platform::FileSystem> files,
                             ExternalFunctionBinder& binder, const SkinPayloads& payloads,
                             RegistryNumberReader readNumber)
    : m_application(application),
      m_files(std::move(files)),
      m_payloads(payloads),
      m_readNumber(std::move(readNumber)),
      m_binder(binder),
      m_engine(m_binder) {}

void SkinSubsystem::install(TextView moduleName) {
    SkinServices services{m_application.state(), m_readNumber, *m_files, m_payloads, m_engine};
    InstallSkin(moduleName, services);
}

}  // namespace qv::skin
