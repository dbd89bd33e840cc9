#pragma once

#include <cstdint>
#include <functional>

#include "core/shared_state.h"
#include "core/text.h"
#include "platform/files.h"
#include "skin/payloads.h"
#include "skin/skin_engine.h"

namespace qv::skin {

/// Reads a number from the settings store: (root, path, default) -> value,
/// the default for a value that is missing or not a number.
using RegistryNumberReader = std::function<std::int32_t(std::int32_t root, TextView path, std::int32_t fallback)>;

/// What installing and applying a skin works with.
struct SkinServices {
    SharedState& state;
    RegistryNumberReader readNumber;
    const platform::FileSystem& files;
    const SkinPayloads& payloads;
    SkinEngine& engine;
};

/// "Software\Microsoft\VUruvi\" + module name + "\" + value name.
Text SkinSettingPath(TextView moduleName, TextView valueName);

/// Stores the module name, writes the engine library when absent and the
/// chosen skin file, attaches the engine and applies the skin settings;
/// nothing at all for a skin id below 1.
void InstallSkin(TextView moduleName, SkinServices& services);

/// Passes the colour, menu and glass settings of the current module to the
/// engine; nothing for a skin id below 1.
void ApplySkinSettings(SkinServices& services);

}  // namespace qv::skin
