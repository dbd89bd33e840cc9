#include <memory>

#include "app/external_functions.h"
#include "app/wiring.h"
#include "core/registry.h"
#include "platform/files.h"
#include "platform/libraries.h"
#include "platform/memory.h"
#include "platform/settings_store.h"
#include "skin/payloads.h"
#include "skin/skin_subsystem.h"

namespace qv {

void wireSkin(Wiring& wiring) {
    using StorePointer = std::unique_ptr<platform::SettingsStore>;
    auto& store = *wiring.own<StorePointer>(platform::openSettingsStore(platform::defaultConfigHome()));
    skin::RegistryNumberReader readNumber = [&store](std::int32_t root, TextView path, std::int32_t fallback) {
        return ReadRegistryNumber(store, root, path, fallback);
    };
    const std::string driveRoot = platform::defaultDriveRoot();
    auto& skins = wiring.own<skin::SkinSubsystem>(wiring.application, platform::makeFileSystem(driveRoot),
                                                  SharedExternalFunctions(wiring).binder(),
                                                  skin::BuiltInSkinPayloads(), std::move(readNumber));
    wiring.parts.installSkin = [&skins](TextView moduleName) {
        skins.install(moduleName);
        // The payloads were needed only to write the files out.
        platform::releaseReadOnlyPages(std::as_bytes(skin::BuiltInPayloadRegion()));
    };
}

}  // namespace qv
