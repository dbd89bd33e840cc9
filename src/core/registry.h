#pragma once

#include <cstdint>

#include "core/text.h"
#include "platform/settings_store.h"

// The four settings operations. Each addresses a value by a root number and
// one path text naming the key and the value together, opens and closes its
// key within the call, and reports only through its result.

namespace qv {

/// A path text split at its last backslash that is a character of its own:
/// the key path before it, the value name after it. Without such a backslash
/// the key path is empty (the root) and the whole text is the value name.
struct RegistryPath {
    Text keyPath;
    Text valueName;
};
RegistryPath SplitRegistryPath(TextView path);

/// Roots 1..5 as numbered; any other number is the current user's root.
platform::RegistryRoot RegistryRootFromNumber(std::int32_t root);

/// The value as a signed 32-bit number when it is a REG_DWORD of at most four
/// bytes; `defaultValue` otherwise.
std::int32_t ReadRegistryNumber(platform::SettingsStore& store, std::int32_t root, TextView path,
                                std::int32_t defaultValue = 0);

/// True exactly when the key opens and holds a value of that name, of any type.
bool RegistryValueExists(platform::SettingsStore& store, std::int32_t root, TextView path);

/// Sets the value to `data` as REG_SZ, creating missing keys; true when set.
bool WriteRegistryText(platform::SettingsStore& store, std::int32_t root, TextView path,
                       TextView data);

/// Deletes the value; when there was none, deletes the key named by the whole
/// path instead. True when either deleted something.
bool DeleteRegistryItem(platform::SettingsStore& store, std::int32_t root, TextView path);

}  // namespace qv
