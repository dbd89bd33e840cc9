#include "platform/linux/sqlite_settings_store.h"

#include <chrono>
#include <cstring>
#include <system_error>

#include "core/registry_names.h"

namespace qv::platform {
namespace {

constexpr auto kBusyTimeout = std::chrono::milliseconds{10000};

/// Recorded in the file's user_version by the schema's own transaction, so
/// that an open finds a finished schema with one read instead of a write
/// transaction (every call opens the file anew).
constexpr std::int64_t kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
BEGIN IMMEDIATE;
CREATE TABLE IF NOT EXISTS settings_keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  root INTEGER NOT NULL,
  parent INTEGER NOT NULL,
  path BLOB NOT NULL,
  name BLOB NOT NULL,
  UNIQUE(root, path));
CREATE INDEX IF NOT EXISTS settings_keys_parent ON settings_keys(parent);
CREATE TABLE IF NOT EXISTS settings_values(
  key INTEGER NOT NULL REFERENCES settings_keys(id) ON DELETE CASCADE,
  folded BLOB NOT NULL,
  name BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, folded));
INSERT OR IGNORE INTO settings_keys(root, parent, path, name) VALUES
  (1, 0, x'', x''), (2, 0, x'', x''), (3, 0, x'', x''), (4, 0, x'', x''), (5, 0, x'', x'');
PRAGMA user_version = 1;
COMMIT;
)sql";

enum class Step { Row, Done, Error };

/// One prepared statement; a failed bind or prepare makes every later step
/// an error, so callers check once at the end.
class Statement {
public:
    Statement(const SqliteFunctions& sqlite, sqlite3* db, const char* sql) : m_sqlite(sqlite) {
        m_ok = m_sqlite.prepare_v2(db, sql, -1, &m_statement, nullptr) == SQLITE_OK;
    }
    ~Statement() { m_sqlite.finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value) {
        if (m_ok) m_ok = m_sqlite.bind_int64(m_statement, index, value) == SQLITE_OK;
        return *this;
    }
    Statement& bind(int index, std::span<const std::byte> bytes) {
        if (!m_ok) return *this;
        // A null pointer would bind NULL, which equals nothing; empty is a blob.
        const int rc = bytes.empty()
                           ? m_sqlite.bind_zeroblob(m_statement, index, 0)
                           : m_sqlite.bind_blob64(m_statement, index, bytes.data(), bytes.size(),
                                                 SQLITE_TRANSIENT);
        m_ok = rc == SQLITE_OK;
        return *this;
    }
    Statement& bind(int index, TextView text) {
        return bind(index, std::as_bytes(std::span(text)));
    }

    Step step() {
        if (!m_ok) return Step::Error;
        const int rc = m_sqlite.step(m_statement);
        if (rc == SQLITE_ROW) return Step::Row;
        if (rc == SQLITE_DONE) return Step::Done;
        m_ok = false;
        return Step::Error;
    }
    std::int64_t integer(int column) { return m_sqlite.column_int64(m_statement, column); }
    std::span<const std::byte> blob(int column) {
        const void* data = m_sqlite.column_blob(m_statement, column);
        const int size = m_sqlite.column_bytes(m_statement, column);
        if (data == nullptr || size <= 0) return {};
        return {static_cast<const std::byte*>(data), static_cast<std::size_t>(size)};
    }
    std::string text(int column) {
        const auto* data = m_sqlite.column_text(m_statement, column);
        return data == nullptr ? std::string{} : std::string(reinterpret_cast<const char*>(data));
    }

private:
    const SqliteFunctions& m_sqlite;
    sqlite3_stmt* m_statement = nullptr;
    bool m_ok = false;
};

/// BEGIN IMMEDIATE takes the write lock at once (waiting out other writers),
/// so a transaction that reads first can never be refused half-way.
class Transaction {
public:
    Transaction(const SqliteFunctions& sqlite, sqlite3* db) : m_sqlite(sqlite), m_db(db) {
        m_open = m_sqlite.exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Transaction() {
        if (m_open) m_sqlite.exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool open() const { return m_open; }
    bool commit() {
        if (!m_open) return false;
        m_open = m_sqlite.exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK;
        return !m_open;
    }

private:
    const SqliteFunctions& m_sqlite;
    sqlite3* m_db;
    bool m_open = false;
};

bool execute(const SqliteFunctions& sqlite, sqlite3* db, const char* sql) {
    return sqlite.exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool useWriteAheadLog(const SqliteFunctions& sqlite, sqlite3* db) {
    Statement pragma(sqlite, db, "PRAGMA journal_mode=WAL");
    if (pragma.step() != Step::Row) return false;
    return pragma.text(0) == "wal";
}

bool schemaIsCurrent(const SqliteFunctions& sqlite, sqlite3* db) {
    Statement version(sqlite, db, "PRAGMA user_version");
    return version.step() == Step::Row && version.integer(0) >= kSchemaVersion;
}

bool configure(const SqliteFunctions& sqlite, sqlite3* db) {
    if (sqlite.busy_timeout(db, static_cast<int>(kBusyTimeout.count())) != SQLITE_OK) return false;
    if (!useWriteAheadLog(sqlite, db)) return false;
    if (!execute(sqlite, db, "PRAGMA synchronous=FULL")) return false;
    if (!execute(sqlite, db, "PRAGMA foreign_keys=ON")) return false;
    if (schemaIsCurrent(sqlite, db)) return true;
    if (execute(sqlite, db, kSchema)) return true;
    execute(sqlite, db, "ROLLBACK");
    return false;
}

std::optional<std::vector<Text>> foldedNames(TextView path) {
    auto names = splitKeyPath(untilZero(path));
    if (!names) return std::nullopt;
    for (auto& name : *names) name = foldRegistryName(name);
    return names;
}

}  // namespace

/// Holds the connection for the length of one call. When the call leaves no
/// key open, the connection closes and the library goes with it; made before
/// any transaction or statement of the call, so that those end first.
class SqliteSettingsStore::Use {
public:
    Use(SqliteSettingsStore& store, Creation creation)
        : m_store(store), m_open(store.ensureOpen(creation)) {}
    ~Use() { m_store.releaseWhenIdle(); }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

    explicit operator bool() const { return m_open; }

private:
    SqliteSettingsStore& m_store;
    bool m_open;
};

SqliteSettingsStore::SqliteSettingsStore(std::filesystem::path databaseFile)
    : m_file(std::move(databaseFile)) {}

SqliteSettingsStore::~SqliteSettingsStore() {
    m_keys.clear();
    releaseWhenIdle();
}

bool SqliteSettingsStore::ensureOpen(Creation creation) {
    if (m_db != nullptr) return true;
    if (!m_sqlite) {
        auto load = loadSqliteLibrary();
        if (!load.library) return false;
        m_sqlite = std::move(load.library);
    }
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (creation == Creation::IfMissing) {
        std::error_code ignored;  // a folder that cannot be made fails the open below
        std::filesystem::create_directories(m_file.parent_path(), ignored);
        flags |= SQLITE_OPEN_CREATE;
    }
    sqlite3* db = nullptr;
    const bool opened = sqlite().open_v2(m_file.c_str(), &db, flags, nullptr) == SQLITE_OK;
    m_db = db;  // even a failed open may leave a connection to close
    if (opened && configure(sqlite(), db)) return true;
    releaseWhenIdle();
    return false;
}

void SqliteSettingsStore::releaseWhenIdle() {
    if (!m_keys.empty()) return;
    if (m_db != nullptr) {
        // Refused only while a statement is unfinished; the library must
        // then stay for the connection, which the next idle moment closes.
        if (sqlite().close(m_db) != SQLITE_OK) return;
        m_db = nullptr;
    }
    m_sqlite.reset();
}

const SqliteFunctions& SqliteSettingsStore::sqlite() const { return **m_sqlite; }

std::optional<std::int64_t> SqliteSettingsStore::findKey(RegistryRoot root, TextView foldedPath) {
    Statement find(sqlite(), m_db, "SELECT id FROM settings_keys WHERE root = ?1 AND path = ?2");
    find.bind(1, static_cast<std::int64_t>(root)).bind(2, foldedPath);
    if (find.step() != Step::Row) return std::nullopt;
    return find.integer(0);
}

KeyHandle SqliteSettingsStore::addHandle(std::int64_t id, KeyAccess access) {
    const KeyHandle handle{m_nextHandle++};
    m_keys.emplace(handle.value, OpenedKey{id, access});
    return handle;
}

const SqliteSettingsStore::OpenedKey* SqliteSettingsStore::opened(KeyHandle key) const {
    const auto found = m_keys.find(key.value);
    return found == m_keys.end() ? nullptr : &found->second;
}

std::optional<KeyHandle> SqliteSettingsStore::openKey(RegistryRoot root, TextView path,
                                                      KeyAccess access) {
    const auto names = foldedNames(path);
    if (!names) return std::nullopt;
    const Use use(*this, Creation::Never);
    if (!use) return std::nullopt;
    const auto id = findKey(root, joinKeyPath(*names, names->size()));
    if (!id) return std::nullopt;
    return addHandle(*id, access);
}

std::optional<KeyHandle> SqliteSettingsStore::createKey(RegistryRoot root, TextView path) {
    const auto spelled = splitKeyPath(untilZero(path));
    const auto names = foldedNames(path);
    if (!names) return std::nullopt;
    const Use use(*this, Creation::IfMissing);
    if (!use) return std::nullopt;
    Transaction transaction(sqlite(), m_db);
    if (!transaction.open()) return std::nullopt;
    auto parent = findKey(root, {});
    for (std::size_t depth = 1; parent && depth <= names->size(); ++depth) {
        const Text folded = joinKeyPath(*names, depth);
        Statement insert(sqlite(), m_db,
                         "INSERT OR IGNORE INTO settings_keys(root, parent, path, name) "
                         "VALUES (?1, ?2, ?3, ?4)");
        insert.bind(1, static_cast<std::int64_t>(root)).bind(2, *parent).bind(3, folded);
        insert.bind(4, TextView((*spelled)[depth - 1]));
        if (insert.step() != Step::Done) return std::nullopt;
        parent = findKey(root, folded);
    }
    if (!parent || !transaction.commit()) return std::nullopt;
    return addHandle(*parent, KeyAccess::All);
}

void SqliteSettingsStore::closeKey(KeyHandle key) {
    m_keys.erase(key.value);
    releaseWhenIdle();
}

std::optional<ValueInfo> SqliteSettingsStore::queryValue(KeyHandle key, TextView name) {
    const auto* open = opened(key);
    if (open == nullptr || !allowsRead(open->access)) return std::nullopt;
    Statement query(sqlite(), m_db,
                    "SELECT type, length(data) FROM settings_values "
                    "WHERE key = ?1 AND folded = ?2");
    query.bind(1, open->id).bind(2, TextView(foldRegistryName(untilZero(name))));
    if (query.step() != Step::Row) return std::nullopt;
    return ValueInfo{static_cast<ValueType>(query.integer(0)),
                     static_cast<std::uint32_t>(query.integer(1))};
}

std::optional<ValueInfo> SqliteSettingsStore::readValue(KeyHandle key, TextView name,
                                                        std::span<std::byte> buffer) {
    const auto* open = opened(key);
    if (open == nullptr || !allowsRead(open->access)) return std::nullopt;
    Statement query(sqlite(), m_db,
                    "SELECT type, data FROM settings_values WHERE key = ?1 AND folded = ?2");
    query.bind(1, open->id).bind(2, TextView(foldRegistryName(untilZero(name))));
    if (query.step() != Step::Row) return std::nullopt;
    const auto type = static_cast<ValueType>(query.integer(0));
    const auto data = query.blob(1);
    if (data.size() > buffer.size()) return std::nullopt;
    if (!data.empty()) std::memcpy(buffer.data(), data.data(), data.size());
    return ValueInfo{type, static_cast<std::uint32_t>(data.size())};
}

bool SqliteSettingsStore::setValue(KeyHandle key, TextView name, ValueType type,
                                   std::span<const std::byte> data) {
    const auto* open = opened(key);
    if (open == nullptr || !allowsWrite(open->access)) return false;
    if (data.size() > UINT32_MAX) return false;
    const TextView spelled = untilZero(name);
    Statement upsert(sqlite(), m_db,
                     "INSERT INTO settings_values(key, folded, name, type, data) "
                     "VALUES (?1, ?2, ?3, ?4, ?5) "
                     "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, "
                     "data = excluded.data");
    upsert.bind(1, open->id).bind(2, TextView(foldRegistryName(spelled))).bind(3, spelled);
    upsert.bind(4, static_cast<std::int64_t>(type)).bind(5, data);
    return upsert.step() == Step::Done;
}

bool SqliteSettingsStore::deleteValue(KeyHandle key, TextView name) {
    const auto* open = opened(key);
    if (open == nullptr || !allowsWrite(open->access)) return false;
    Statement remove(sqlite(), m_db, "DELETE FROM settings_values WHERE key = ?1 AND folded = ?2");
    remove.bind(1, open->id).bind(2, TextView(foldRegistryName(untilZero(name))));
    return remove.step() == Step::Done && sqlite().changes(m_db) > 0;
}

bool SqliteSettingsStore::deleteKey(RegistryRoot root, TextView path) {
    const auto names = foldedNames(path);
    if (!names || names->empty()) return false;
    const Use use(*this, Creation::Never);
    if (!use) return false;
    Transaction transaction(sqlite(), m_db);
    if (!transaction.open()) return false;
    const auto id = findKey(root, joinKeyPath(*names, names->size()));
    if (!id) return false;
    Statement children(sqlite(), m_db, "SELECT 1 FROM settings_keys WHERE parent = ?1 LIMIT 1");
    children.bind(1, *id);
    if (children.step() != Step::Done) return false;  // has keys under it, or failed
    Statement remove(sqlite(), m_db, "DELETE FROM settings_keys WHERE id = ?1");
    remove.bind(1, *id);
    if (remove.step() != Step::Done || sqlite().changes(m_db) == 0) return false;
    return transaction.commit();
}

namespace {

Text blobText(std::span<const std::byte> bytes) {
    return Text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

std::vector<Text> SqliteSettingsStore::valueNames(KeyHandle key) {
    const auto* open = opened(key);
    if (open == nullptr || !allowsRead(open->access)) return {};
    Statement query(sqlite(), m_db, "SELECT name FROM settings_values WHERE key = ?1 ORDER BY rowid");
    query.bind(1, open->id);
    std::vector<Text> names;
    while (query.step() == Step::Row) names.push_back(blobText(query.blob(0)));
    return names;
}

std::vector<Text> SqliteSettingsStore::subkeyNames(KeyHandle key) {
    const auto* open = opened(key);
    if (open == nullptr || !allowsRead(open->access)) return {};
    Statement query(sqlite(), m_db,
                    "SELECT name FROM settings_keys WHERE parent = ?1 AND id != ?1 ORDER BY id");
    query.bind(1, open->id);
    std::vector<Text> names;
    while (query.step() == Step::Row) names.push_back(blobText(query.blob(0)));
    return names;
}

}  // namespace qv::platform
