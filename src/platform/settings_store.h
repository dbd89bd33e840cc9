#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/text.h"

// The settings store, shaped like the Windows registry: keys under five
// roots, each holding named values of a type with raw data. Key and value
// names compare without regard to ASCII case. Every call reports failure
// through its result; none throws.

namespace qv::platform {

/// The five roots of the store, numbered as the program numbers them.
enum class RegistryRoot : std::int32_t {
    ClassesRoot = 1,
    CurrentConfig = 2,
    CurrentUser = 3,
    LocalMachine = 4,
    Users = 5,
};

/// Value types, with the registry's type codes; any other code is kept as it
/// is, with its data as raw bytes.
enum class ValueType : std::uint32_t {
    None = 0,
    Sz = 1,          // REG_SZ: text and a zero byte
    ExpandSz = 2,    // REG_EXPAND_SZ
    Binary = 3,      // REG_BINARY
    Dword = 4,       // REG_DWORD: four bytes, little-endian
    MultiSz = 7,     // REG_MULTI_SZ
    Qword = 11,      // REG_QWORD
};

/// What a key was opened for. Read allows querying and reading values; Write
/// allows setting and deleting them; a created key allows both.
enum class KeyAccess { Read, Write, All };

constexpr bool allowsRead(KeyAccess access) { return access != KeyAccess::Write; }
constexpr bool allowsWrite(KeyAccess access) { return access != KeyAccess::Read; }

/// An open key; valid until closed. Zero is never a valid handle.
struct KeyHandle {
    std::uint64_t value = 0;
};

/// A value's type and the size of its data in bytes.
struct ValueInfo {
    ValueType type = ValueType::None;
    std::uint32_t size = 0;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    /// Opens an existing key; the empty path is the root itself.
    virtual std::optional<KeyHandle> openKey(RegistryRoot root, TextView path,
                                             KeyAccess access) = 0;
    /// Opens a key, creating it and any missing keys above it.
    virtual std::optional<KeyHandle> createKey(RegistryRoot root, TextView path) = 0;
    virtual void closeKey(KeyHandle key) = 0;

    /// The type and size of a value, without its data.
    virtual std::optional<ValueInfo> queryValue(KeyHandle key, TextView name) = 0;
    /// Copies a value's data into `buffer`; fails when the data is larger.
    virtual std::optional<ValueInfo> readValue(KeyHandle key, TextView name,
                                               std::span<std::byte> buffer) = 0;
    /// Creates or overwrites a value.
    virtual bool setValue(KeyHandle key, TextView name, ValueType type,
                          std::span<const std::byte> data) = 0;
    /// True when a value of that name was there and is gone.
    virtual bool deleteValue(KeyHandle key, TextView name) = 0;
    /// Deletes a key with its values; fails for a root, a missing key and a
    /// key that still has keys under it.
    virtual bool deleteKey(RegistryRoot root, TextView path) = 0;

    /// The names of an open key's values, as they were spelled when made, in
    /// the order they were made; none for a store that cannot list.
    virtual std::vector<Text> valueNames(KeyHandle key) {
        (void)key;
        return {};
    }
    /// The names of the keys right under an open key, in the order they were made.
    virtual std::vector<Text> subkeyNames(KeyHandle key) {
        (void)key;
        return {};
    }
};

/// Where the user's configuration lives: $XDG_CONFIG_HOME when it is an
/// absolute path, else $HOME/.config.
std::filesystem::path defaultConfigHome();

/// The user's settings store under `configHome`. Nothing is created until the
/// first call; a store that cannot be opened fails every call.
std::unique_ptr<SettingsStore> openSettingsStore(const std::filesystem::path& configHome);

/// While one lives, what the settings stores need stays loaded between calls:
/// a run of calls, as at start-up, then pays for loading it once. Without
/// one the stores load it per call and carry nothing while idle.
class SettingsStoreHold {
public:
    virtual ~SettingsStoreHold() = default;
};

/// A hold for the stores of this process; never null.
std::unique_ptr<SettingsStoreHold> holdSettingsStores();

}  // namespace qv::platform
