#include "skin/skin_subsystem.h"

namespace qv::skin {

SkinSubsystem::SkinSubsystem(Application& application, std::unique_ptr<platform::FileSystem> files,
                             std::unique_ptr<platform::Libraries> libraries, const SkinPayloads& payloads,
                             RegistryNumberReader readNumber)
    : m_application(application),
      m_files(std::move(files)),
      m_libraries(std::move(libraries)),
      m_payloads(payloads),
      m_readNumber(std::move(readNumber)),
      m_binder(
          *m_libraries, [&application](const Text& message) { application.fatal(message); },
          [&application](std::function<void()> release) { application.addLibraryRelease(std::move(release)); }),
      m_engine(m_binder) {}

void SkinSubsystem::install(TextView moduleName) {
    SkinServices services{m_application.state(), m_readNumber, *m_files, m_payloads, m_engine};
    InstallSkin(moduleName, services);
}

}  // namespace qv::skin
