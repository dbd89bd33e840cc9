#pragma once

#include <filesystem>
#include <map>

#include "platform/linux/sqlite_library.h"
#include "platform/settings_store.h"

namespace qv::platform {

/// The settings store in one SQLite database file, in WAL mode with a busy
/// timeout, so that several running copies share it and a copy killed in the
/// middle of a write loses nothing it had finished. The file and its folder
/// are made when the first key is created; when opening fails, the call fails
/// and the next one tries again. The connection, and the process's reference
/// to libsqlite3, live only while a key is open or a call is under way.
class SqliteSettingsStore final : public SettingsStore {
public:
    explicit SqliteSettingsStore(std::filesystem::path databaseFile);
    ~SqliteSettingsStore() override;
    SqliteSettingsStore(const SqliteSettingsStore&) = delete;
    SqliteSettingsStore& operator=(const SqliteSettingsStore&) = delete;

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
    struct OpenedKey {
        std::int64_t id;
        KeyAccess access;
    };

    /// Whether a call may make the database file: only calls that create keys
    /// do, so that reading leaves no trace.
    enum class Creation { IfMissing, Never };
    class Use;
    bool ensureOpen(Creation creation);
    /// Closes the connection and lets the library go when no key is open.
    void releaseWhenIdle();
    const SqliteFunctions& sqlite() const;
    std::optional<std::int64_t> findKey(RegistryRoot root, TextView foldedPath);
    KeyHandle addHandle(std::int64_t id, KeyAccess access);
    const OpenedKey* opened(KeyHandle key) const;

    std::filesystem::path m_file;
    std::optional<SqliteLibrary> m_sqlite;
    sqlite3* m_db = nullptr;
    std::map<std::uint64_t, OpenedKey> m_keys;
    std::uint64_t m_nextHandle = 1;
};

}  // namespace qv::platform
