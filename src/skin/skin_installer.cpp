#include "skin/skin_installer.h"

#include <array>

#include "core/conversions.h"
#include "skin/skin_texts.h"

namespace qv::skin {
namespace {

std::int32_t readSetting(SkinServices& services, TextView valueName, std::int32_t fallback) {
    if (!services.readNumber) return fallback;
    return services.readNumber(kCurrentUserRoot, SkinSettingPath(services.state.SkinModuleName, valueName),
                               fallback);
}

std::int32_t readSkinId(SkinServices& services) {
    return readSetting(services, texts::kSkinId, kDefaultSkinId);
}

void writeBytes(SkinServices& services, TextView path, Bytes bytes) {
    const std::array<platform::ByteSpan, 1> blocks{bytes};
    (void)services.files.WriteFileBytes(path, blocks);  // a failed write has no effect
}

}  // namespace

Text SkinSettingPath(TextView moduleName, TextView valueName) {
    return ConcatText({texts::kSettingsRoot, moduleName, "\\", valueName});
}

void InstallSkin(TextView moduleName, SkinServices& services) {
    services.state.SkinModuleName = Text(moduleName);
    if (readSkinId(services) < 1) return;
    if (!services.files.FileExists(texts::kLibraryPath)) {
        writeBytes(services, texts::kLibraryPath, services.payloads.library());
    }
    if (const auto skin = services.payloads.skinFile(readSkinId(services))) {
        writeBytes(services, texts::kSkinFilePath, *skin);
    }
    services.engine.attach();
    ApplySkinSettings(services);
}

void ApplySkinSettings(SkinServices& services) {
    std::array<std::int32_t, 7> glass{};
    if (readSkinId(services) < 1) return;
    const std::int32_t hue = readSetting(services, texts::kHue, 0);
    const std::int32_t saturation = readSetting(services, texts::kSaturation, 0);
    const std::int32_t value = readSetting(services, texts::kValue, 0);
    services.engine.adjustHsv(hue, saturation, value);
    services.engine.setMenuAlpha(readSetting(services, texts::kMenuAlpha, 0));
    const std::int32_t aero = readSetting(services, texts::kAeroSwitch, kDefaultAeroSwitch);
    if (aero != 1) return;
    services.engine.setAero(aero);
    for (std::size_t i = 0; i < glass.size(); ++i) glass[i] = readSetting(services, texts::kAeroValues[i], 0);
    services.engine.adjustAero({glass[0], glass[1], glass[2], glass[3], 0, 0, glass[4], glass[5], glass[6]});
}

}  // namespace qv::skin
