#pragma once

#include <map>
#include <memory>

#include "platform/linux/desktop_entry.h"
#include "platform/settings_store.h"

namespace qv::platform {

/// The machine's Run key as the desktop sees it: the program's own value
/// "Quorvel1.0" under root 4's "software\microsoft\windows\CurrentVersion\Run"
/// is the XDG autostart entry; every other key and value, the Run key's
/// other values and a subkey of the same name included, lives in the inner
/// store. The Run key itself always opens, as it always exists on a desktop.
class RunKeyRouting final : public SettingsStore {
public:
    RunKeyRouting(std::unique_ptr<SettingsStore> inner, DesktopAutostartEntry entry);

    std::optional<KeyHandle> openKey(RegistryRoot root, TextView path, KeyAccess access) override;
    std::optional<KeyHandle> createKey(RegistryRoot root, TextView path) override;
    void closeKey(KeyHandle key) override;
    std::optional<ValueInfo> queryValue(KeyHandle key, TextView name) override;
    std::optional<ValueInfo> readValue(KeyHandle key, TextView name,
                                       std::span<std::byte> buffer) override;
    bool setValue(KeyHandle key, TextView name, ValueType type,
                  std::span<const std::byte> data) override;
    bool deleteValue(KeyHandle key, TextView name) override;
    bool deleteKey(RegistryRoot root, TextView path) override;
    std::vector<Text> valueNames(KeyHandle key) override;
    std::vector<Text> subkeyNames(KeyHandle key) override;

private:
    struct RoutedKey {
        std::optional<KeyHandle> inner;
        bool runKey;
        KeyAccess access;
    };

    std::optional<KeyHandle> route(std::optional<KeyHandle> inner, bool runKey, KeyAccess access);
    const RoutedKey* routed(KeyHandle key) const;
    /// The entry's value, when `name` on this key is the entry.
    bool isEntry(const RoutedKey& key, TextView name) const;

    std::unique_ptr<SettingsStore> m_inner;
    DesktopAutostartEntry m_entry;
    std::map<std::uint64_t, RoutedKey> m_keys;
    std::uint64_t m_nextHandle = 1;
};

}  // namespace qv::platform
