#include "platform/linux/run_key_routing.h"

#include <cstring>

#include "core/registry_names.h"

namespace qv::platform {
namespace {

constexpr std::string_view kRunKeyFolded = "software\\microsoft\\windows\\currentversion\\run";
constexpr std::string_view kEntryNameFolded = "quorvel1.0";

bool isRunKeyPath(RegistryRoot root, TextView path) {
    return root == RegistryRoot::LocalMachine && foldRegistryName(untilZero(path)) == kRunKeyFolded;
}

/// The entry as a REG_SZ value: the program and its zero byte.
Text entryData(const DesktopAutostartEntry& entry) { return entry.program() + '\0'; }

bool isTextType(ValueType type) { return type == ValueType::Sz || type == ValueType::ExpandSz; }

}  // namespace

RunKeyRouting::RunKeyRouting(std::unique_ptr<SettingsStore> inner, DesktopAutostartEntry entry)
    : m_inner(std::move(inner)), m_entry(std::move(entry)) {}

std::optional<KeyHandle> RunKeyRouting::route(std::optional<KeyHandle> inner, bool runKey,
                                              KeyAccess access) {
    if (!inner && !runKey) return std::nullopt;
    const KeyHandle handle{m_nextHandle++};
    m_keys.emplace(handle.value, RoutedKey{inner, runKey, access});
    return handle;
}

const RunKeyRouting::RoutedKey* RunKeyRouting::routed(KeyHandle key) const {
    const auto found = m_keys.find(key.value);
    return found == m_keys.end() ? nullptr : &found->second;
}

bool RunKeyRouting::isEntry(const RoutedKey& key, TextView name) const {
    return key.runKey && foldRegistryName(untilZero(name)) == kEntryNameFolded;
}

std::optional<KeyHandle> RunKeyRouting::openKey(RegistryRoot root, TextView path,
                                                KeyAccess access) {
    const bool runKey = isRunKeyPath(root, path);
    auto inner = m_inner->openKey(root, path, access);
    if (!inner && runKey && allowsWrite(access)) {
        // Made on the first write, so that the Run key's other values have a home.
        if (const auto created = m_inner->createKey(root, path)) {
            m_inner->closeKey(*created);
            inner = m_inner->openKey(root, path, access);
        }
    }
    return route(inner, runKey, access);
}

std::optional<KeyHandle> RunKeyRouting::createKey(RegistryRoot root, TextView path) {
    return route(m_inner->createKey(root, path), isRunKeyPath(root, path), KeyAccess::All);
}

void RunKeyRouting::closeKey(KeyHandle key) {
    const auto found = m_keys.find(key.value);
    if (found == m_keys.end()) return;
    if (found->second.inner) m_inner->closeKey(*found->second.inner);
    m_keys.erase(found);
}

std::optional<ValueInfo> RunKeyRouting::queryValue(KeyHandle key, TextView name) {
    const auto* open = routed(key);
    if (open == nullptr) return std::nullopt;
    if (!isEntry(*open, name)) {
        return open->inner ? m_inner->queryValue(*open->inner, name) : std::nullopt;
    }
    if (!allowsRead(open->access) || !m_entry.exists()) return std::nullopt;
    return ValueInfo{ValueType::Sz, static_cast<std::uint32_t>(entryData(m_entry).size())};
}

std::optional<ValueInfo> RunKeyRouting::readValue(KeyHandle key, TextView name,
                                                  std::span<std::byte> buffer) {
    const auto* open = routed(key);
    if (open == nullptr) return std::nullopt;
    if (!isEntry(*open, name)) {
        return open->inner ? m_inner->readValue(*open->inner, name, buffer) : std::nullopt;
    }
    if (!allowsRead(open->access) || !m_entry.exists()) return std::nullopt;
    const Text data = entryData(m_entry);
    if (data.size() > buffer.size()) return std::nullopt;
    std::memcpy(buffer.data(), data.data(), data.size());
    return ValueInfo{ValueType::Sz, static_cast<std::uint32_t>(data.size())};
}

bool RunKeyRouting::setValue(KeyHandle key, TextView name, ValueType type,
                             std::span<const std::byte> data) {
    const auto* open = routed(key);
    if (open == nullptr) return false;
    if (!isEntry(*open, name)) {
        return open->inner && m_inner->setValue(*open->inner, name, type, data);
    }
    // The entry can only name a program; other kinds of data have no place in it.
    if (!allowsWrite(open->access) || !isTextType(type)) return false;
    const TextView text(reinterpret_cast<const char*>(data.data()), data.size());
    return m_entry.write(untilZero(text));
}

bool RunKeyRouting::deleteValue(KeyHandle key, TextView name) {
    const auto* open = routed(key);
    if (open == nullptr) return false;
    if (!isEntry(*open, name)) return open->inner && m_inner->deleteValue(*open->inner, name);
    return allowsWrite(open->access) && m_entry.remove();
}

bool RunKeyRouting::deleteKey(RegistryRoot root, TextView path) {
    return m_inner->deleteKey(root, path);
}

std::vector<Text> RunKeyRouting::valueNames(KeyHandle key) {
    const auto* open = routed(key);
    if (open == nullptr) return {};
    auto names = open->inner ? m_inner->valueNames(*open->inner) : std::vector<Text>{};
    if (open->runKey && allowsRead(open->access) && m_entry.exists()) names.push_back("Quorvel1.0");
    return names;
}

std::vector<Text> RunKeyRouting::subkeyNames(KeyHandle key) {
    const auto* open = routed(key);
    if (open == nullptr || !open->inner) return {};
    return m_inner->subkeyNames(*open->inner);
}

}  // namespace qv::platform
