#include "core/registry.h"

#include <array>

#include "core/registry_names.h"

namespace qv {
namespace {

using platform::KeyAccess;
using platform::KeyHandle;
using platform::SettingsStore;
using platform::ValueType;

/// Closes the key when the operation leaves, whichever way it leaves.
class OpenKey {
public:
    OpenKey(SettingsStore& store, std::optional<KeyHandle> key) : m_store(store), m_key(key) {}
    ~OpenKey() {
        if (m_key) m_store.closeKey(*m_key);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    explicit operator bool() const { return m_key.has_value(); }
    KeyHandle operator*() const { return *m_key; }

private:
    SettingsStore& m_store;
    std::optional<KeyHandle> m_key;
};

std::optional<std::int32_t> readDword(SettingsStore& store, KeyHandle key, TextView name) {
    const auto info = store.queryValue(key, name);
    if (!info || info->type != ValueType::Dword) return std::nullopt;
    std::array<std::byte, 4> bytes{};  // shorter data leaves the high bytes zero
    if (!store.readValue(key, name, bytes)) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

std::span<const std::byte> textWithZero(const Text& text) {
    return std::as_bytes(std::span<const char>(text.c_str(), text.size() + 1));
}

}  // namespace

RegistryPath SplitRegistryPath(TextView path) {
    path = untilZero(path);
    const auto split = findLastBackslash(path);
    if (split == TextView::npos) return {Text{}, Text(path)};
    return {Text(path.substr(0, split)), Text(path.substr(split + 1))};
}

platform::RegistryRoot RegistryRootFromNumber(std::int32_t root) {
    if (root < 1 || root > 5) return platform::RegistryRoot::CurrentUser;
    return static_cast<platform::RegistryRoot>(root);
}

std::int32_t ReadRegistryNumber(SettingsStore& store, std::int32_t root, TextView path,
                                std::int32_t defaultValue) {
    const auto [keyPath, valueName] = SplitRegistryPath(path);
    const OpenKey key(store, store.openKey(RegistryRootFromNumber(root), keyPath, KeyAccess::Read));
    if (!key) return defaultValue;
    return readDword(store, *key, valueName).value_or(defaultValue);
}

bool RegistryValueExists(SettingsStore& store, std::int32_t root, TextView path) {
    const auto [keyPath, valueName] = SplitRegistryPath(path);
    const OpenKey key(store, store.openKey(RegistryRootFromNumber(root), keyPath, KeyAccess::Read));
    return key && store.queryValue(*key, valueName).has_value();
}

bool WriteRegistryText(SettingsStore& store, std::int32_t root, TextView path, TextView data) {
    const auto [keyPath, valueName] = SplitRegistryPath(path);
    const auto rootKey = RegistryRootFromNumber(root);
    auto handle = store.openKey(rootKey, keyPath, KeyAccess::Write);
    if (!handle) handle = store.createKey(rootKey, keyPath);
    const OpenKey key(store, handle);
    if (!key) return false;
    const Text text(untilZero(data));
    return store.setValue(*key, valueName, ValueType::Sz, textWithZero(text));
}

bool DeleteRegistryItem(SettingsStore& store, std::int32_t root, TextView path) {
    const auto [keyPath, valueName] = SplitRegistryPath(path);
    const auto rootKey = RegistryRootFromNumber(root);
    bool valueDeleted = false;
    {
        const OpenKey key(store, store.openKey(rootKey, keyPath, KeyAccess::Write));
        if (key) valueDeleted = store.deleteValue(*key, valueName);
    }
    if (valueDeleted) return true;
    return store.deleteKey(rootKey, untilZero(path));
}

}  // namespace qv
