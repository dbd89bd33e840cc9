#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>

// libsqlite3 bound at run time: the settings store is busy only at start-up
// and when the user changes a setting, so a program idling in the tray
// should carry no mapping of it.

namespace qv::platform {

/// The SQLite functions the settings store calls, typed from the public header.
struct SqliteFunctions {
    decltype(&sqlite3_open_v2) open_v2 = nullptr;
    decltype(&sqlite3_close) close = nullptr;
    decltype(&sqlite3_exec) exec = nullptr;
    decltype(&sqlite3_prepare_v2) prepare_v2 = nullptr;
    decltype(&sqlite3_finalize) finalize = nullptr;
    decltype(&sqlite3_bind_int64) bind_int64 = nullptr;
    decltype(&sqlite3_bind_blob64) bind_blob64 = nullptr;
    decltype(&sqlite3_bind_zeroblob) bind_zeroblob = nullptr;
    decltype(&sqlite3_step) step = nullptr;
    decltype(&sqlite3_column_int64) column_int64 = nullptr;
    decltype(&sqlite3_column_blob) column_blob = nullptr;
    decltype(&sqlite3_column_bytes) column_bytes = nullptr;
    decltype(&sqlite3_column_text) column_text = nullptr;
    decltype(&sqlite3_changes) changes = nullptr;
    decltype(&sqlite3_busy_timeout) busy_timeout = nullptr;
    decltype(&sqlite3_shutdown) shutdown = nullptr;
};

struct SqliteLoad;
SqliteLoad loadSqliteLibrary();

/// One reference to the process's single load of libsqlite3. The first
/// reference loads it; when the last one goes, SQLite is shut down and the
/// library unloaded. Every connection made through a reference must be
/// closed before the reference goes.
class SqliteLibrary {
public:
    SqliteLibrary(SqliteLibrary&& other) noexcept;
    SqliteLibrary& operator=(SqliteLibrary&& other) noexcept;
    ~SqliteLibrary();

    const SqliteFunctions& operator*() const { return *m_functions; }
    const SqliteFunctions* operator->() const { return m_functions; }

private:
    friend SqliteLoad loadSqliteLibrary();
    explicit SqliteLibrary(const SqliteFunctions* functions) : m_functions(functions) {}
    void release();

    const SqliteFunctions* m_functions;
};

/// A reference to the library, or why there is none.
struct SqliteLoad {
    std::optional<SqliteLibrary> library;
    std::string error;
};

/// The file loaded unless a test says otherwise.
inline constexpr const char* kSqliteLibraryFile = "libsqlite3.so.0";

/// A reference to libsqlite3, loading it when nobody holds one. A failed
/// load names the file and dlerror's text, or every function the file
/// lacks; it is reported once on standard error, and nothing stays loaded.
SqliteLoad loadSqliteLibrary();

/// The file that later loads open (a bare name or a path); for tests. It
/// takes effect at the next load made while nobody holds the library.
void setSqliteLibraryFile(std::string file);

/// How many references are held in this process right now.
int sqliteLibraryUsers();

}  // namespace qv::platform
