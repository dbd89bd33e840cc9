#include "soak_settings.h"

#include "core/registry.h"
#include "platform/settings_store.h"
#include "ui/autostart.h"

namespace qv::soak {
namespace {

constexpr std::int32_t kChurnRoot = 3;
constexpr std::int32_t kNotANumber = -7;

/// The real settings store with writes that fail at random: creating a key,
/// setting, deleting a value or a key.
class FlakySettingsStore final : public platform::SettingsStore {
public:
    FlakySettingsStore(std::unique_ptr<platform::SettingsStore> store, Chance& chance, FaultCounts& faults)
        : m_store(std::move(store)), m_chance(chance), m_faults(faults) {}

    std::optional<platform::KeyHandle> openKey(platform::RegistryRoot root, TextView path,
                                               platform::KeyAccess access) override {
        return m_store->openKey(root, path, access);
    }
    std::optional<platform::KeyHandle> createKey(platform::RegistryRoot root, TextView path) override;
    void closeKey(platform::KeyHandle key) override { m_store->closeKey(key); }
    std::optional<platform::ValueInfo> queryValue(platform::KeyHandle key, TextView name) override {
        return m_store->queryValue(key, name);
    }
    std::optional<platform::ValueInfo> readValue(platform::KeyHandle key, TextView name,
                                                 std::span<std::byte> buffer) override {
        return m_store->readValue(key, name, buffer);
    }
    bool setValue(platform::KeyHandle key, TextView name, platform::ValueType type,
                  std::span<const std::byte> data) override;
    bool deleteValue(platform::KeyHandle key, TextView name) override;
    bool deleteKey(platform::RegistryRoot root, TextView path) override;

    /// Probability of each write failing.
    double writeFailure = 0.25;
    Chance& chance() { return m_chance; }

private:
    bool writeFails();

    std::unique_ptr<platform::SettingsStore> m_store;
    Chance& m_chance;
    FaultCounts& m_faults;
};

bool FlakySettingsStore::writeFails() {
    if (!m_chance.happens(writeFailure)) return false;
    ++m_faults.settingsWriteFailures;
    return true;
}

std::optional<platform::KeyHandle> FlakySettingsStore::createKey(platform::RegistryRoot root, TextView path) {
    if (writeFails()) return std::nullopt;
    return m_store->createKey(root, path);
}

bool FlakySettingsStore::setValue(platform::KeyHandle key, TextView name, platform::ValueType type,
                                  std::span<const std::byte> data) {
    if (writeFails()) return false;
    return m_store->setValue(key, name, type, data);
}

bool FlakySettingsStore::deleteValue(platform::KeyHandle key, TextView name) {
    if (writeFails()) return false;
    return m_store->deleteValue(key, name);
}

bool FlakySettingsStore::deleteKey(platform::RegistryRoot root, TextView path) {
    if (writeFails()) return false;
    return m_store->deleteKey(root, path);
}

}  // namespace

struct SoakSettings::Parts {
    Parts(const std::filesystem::path& configHome, Chance& chance, FaultCounts& faults)
        : store(platform::openSettingsStore(configHome), chance, faults) {}
    FlakySettingsStore store;
};

SoakSettings::SoakSettings(const std::filesystem::path& configHome, Chance& chance, FaultCounts& faults)
    : m_parts(std::make_unique<Parts>(configHome, chance, faults)) {}

SoakSettings::~SoakSettings() = default;

void SoakSettings::setAutostartBox(CheckControl& box) { SetAutostartBox(m_parts->store, box); }

void SoakSettings::onAutostartClicked(platform::Shell& shell, CheckControl& box, TextView executable) {
    OnAutostartClicked(m_parts->store, shell, box, executable);
}

bool SoakSettings::autostartStored() {
    return RegistryValueExists(m_parts->store, kAutostartRoot, kAutostartPath);
}

std::vector<std::string> SoakSettings::settingsRound(TextView data) {
    auto& store = m_parts->store;
    std::vector<std::string> denied;
    const Text path = "software\\Quorvel1.0\\soak\\value" + std::to_string(store.chance().between(0, 9));
    const bool written = WriteRegistryText(store, kChurnRoot, path, data);
    const bool exists = RegistryValueExists(store, kChurnRoot, path);
    if (written && !exists) denied.push_back("a written value is missing: " + path);
    if (exists && ReadRegistryNumber(store, kChurnRoot, path, kNotANumber) != kNotANumber)
        denied.push_back("a text value read as a number: " + path);
    if (!store.chance().happens(0.5)) return denied;
    const bool deleted = DeleteRegistryItem(store, kChurnRoot, path);
    if (deleted && RegistryValueExists(store, kChurnRoot, path))
        denied.push_back("a deleted value is still there: " + path);
    return denied;
}

}  // namespace qv::soak
