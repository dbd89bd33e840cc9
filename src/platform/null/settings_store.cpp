#include "platform/settings_store.h"

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "core/registry_names.h"

// Without a settings database the store lives in memory for the run.

namespace qv::platform {
namespace {

class MemorySettingsStore final : public SettingsStore {
public:
    std::optional<KeyHandle> openKey(RegistryRoot root, TextView path, KeyAccess access) override {
        const auto folded = foldedPath(path);
        if (!folded) return std::nullopt;
        if (folded->empty()) return addHandle(keyId(root, {}), access);  // roots always exist
        const auto found = m_index.find({root, *folded});
        if (found == m_index.end()) return std::nullopt;
        return addHandle(found->second, access);
    }

    std::optional<KeyHandle> createKey(RegistryRoot root, TextView path) override {
        const auto names = splitKeyPath(untilZero(path));
        if (!names) return std::nullopt;
        std::vector<Text> folded;
        for (const auto& name : *names) folded.push_back(foldRegistryName(name));
        std::int64_t id = keyId(root, {});
        for (std::size_t depth = 1; depth <= folded.size(); ++depth) {
            id = keyId(root, joinKeyPath(folded, depth));
        }
        return addHandle(id, KeyAccess::All);
    }

    void closeKey(KeyHandle key) override { m_handles.erase(key.value); }

    std::optional<ValueInfo> queryValue(KeyHandle key, TextView name) override {
        const Value* value = find(key, name, KeyAccess::Read);
        if (value == nullptr) return std::nullopt;
        return ValueInfo{value->type, static_cast<std::uint32_t>(value->data.size())};
    }

    std::optional<ValueInfo> readValue(KeyHandle key, TextView name,
                                       std::span<std::byte> buffer) override {
        const Value* value = find(key, name, KeyAccess::Read);
        if (value == nullptr || value->data.size() > buffer.size()) return std::nullopt;
        if (!value->data.empty()) {
            std::memcpy(buffer.data(), value->data.data(), value->data.size());
        }
        return ValueInfo{value->type, static_cast<std::uint32_t>(value->data.size())};
    }

    bool setValue(KeyHandle key, TextView name, ValueType type,
                  std::span<const std::byte> data) override {
        auto* values = valuesOf(key, KeyAccess::Write);
        if (values == nullptr) return false;
        (*values)[foldRegistryName(untilZero(name))] = Value{type, {data.begin(), data.end()}};
        return true;
    }

    bool deleteValue(KeyHandle key, TextView name) override {
        auto* values = valuesOf(key, KeyAccess::Write);
        return values != nullptr && values->erase(foldRegistryName(untilZero(name))) > 0;
    }

    bool deleteKey(RegistryRoot root, TextView path) override {
        const auto folded = foldedPath(path);
        if (!folded || folded->empty()) return false;
        const auto found = m_index.find({root, *folded});
        if (found == m_index.end() || hasChildren(root, *folded)) return false;
        m_values.erase(found->second);
        m_index.erase(found);
        return true;
    }

private:
    struct Value {
        ValueType type;
        std::vector<std::byte> data;
    };
    using Values = std::map<Text, Value>;
    struct Opened {
        std::int64_t id;
        KeyAccess access;
    };

    static std::optional<Text> foldedPath(TextView path) {
        const auto names = splitKeyPath(untilZero(path));
        if (!names) return std::nullopt;
        return foldRegistryName(joinKeyPath(*names, names->size()));
    }

    std::int64_t keyId(RegistryRoot root, const Text& folded) {
        const auto [entry, added] = m_index.try_emplace({root, folded}, m_nextId);
        if (added) m_values[m_nextId++];
        return entry->second;
    }

    bool hasChildren(RegistryRoot root, const Text& folded) const {
        const Text prefix = folded + '\\';
        for (const auto& [place, id] : m_index) {
            if (place.first == root && place.second.starts_with(prefix)) return true;
        }
        return false;
    }

    KeyHandle addHandle(std::int64_t id, KeyAccess access) {
        const KeyHandle handle{m_nextHandle++};
        m_handles.emplace(handle.value, Opened{id, access});
        return handle;
    }

    Values* valuesOf(KeyHandle key, KeyAccess needed) {
        const auto opened = m_handles.find(key.value);
        if (opened == m_handles.end()) return nullptr;
        const KeyAccess access = opened->second.access;
        if (needed == KeyAccess::Read ? !allowsRead(access) : !allowsWrite(access)) return nullptr;
        const auto values = m_values.find(opened->second.id);
        return values == m_values.end() ? nullptr : &values->second;
    }

    const Value* find(KeyHandle key, TextView name, KeyAccess needed) {
        auto* values = valuesOf(key, needed);
        if (values == nullptr) return nullptr;
        const auto value = values->find(foldRegistryName(untilZero(name)));
        return value == values->end() ? nullptr : &value->second;
    }

    std::map<std::pair<RegistryRoot, Text>, std::int64_t> m_index;
    std::map<std::int64_t, Values> m_values;
    std::map<std::uint64_t, Opened> m_handles;
    std::int64_t m_nextId = 1;
    std::uint64_t m_nextHandle = 1;
};

}  // namespace

std::filesystem::path defaultConfigHome() { return {}; }

std::unique_ptr<SettingsStore> openSettingsStore(const std::filesystem::path&) {
    return std::make_unique<MemorySettingsStore>();
}

// The stores in memory load nothing.
std::unique_ptr<SettingsStoreHold> holdSettingsStores() { return std::make_unique<SettingsStoreHold>(); }

}  // namespace qv::platform
