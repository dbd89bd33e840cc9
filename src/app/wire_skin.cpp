#include "app/wiring.h"
#include "platform/files.h"
#include "platform/libraries.h"
#include "skin/payloads.h"
#include "skin/skin_subsystem.h"

namespace qv {

void wireSkin(Wiring& wiring) {
    const std::string driveRoot = platform::defaultDriveRoot();
    // LEAD: the settings store is not wired here yet; until it is, every skin
    // setting reads as its default (skin 2, no colour shift, glass on).
    skin::RegistryNumberReader readNumber = [](std::int32_t, TextView, std::int32_t fallback) {
        return fallback;
    };
    auto& skins = wiring.own<skin::SkinSubsystem>(wiring.application, platform::makeFileSystem(driveRoot),
                                                  platform::makeLibraries(driveRoot),
                                                  skin::BuiltInSkinPayloads(), std::move(readNumber));
    wiring.parts.installSkin = [&skins](TextView moduleName) { skins.install(moduleName); };
}

}  // namespace qv
