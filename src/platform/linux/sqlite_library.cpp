#include "platform/linux/sqlite_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

namespace qv::platform {
namespace {

constexpr const char* kReportPrefix = "quorvel: settings store: ";

/// The one load shared by every reference in the process.
struct SharedLoad {
    std::mutex mutex;
    std::string file = kSqliteLibraryFile;
    void* module = nullptr;
    SqliteFunctions functions;
    int users = 0;
};

/// Never destroyed, so that a store released during exit still finds it.
SharedLoad& sharedLoad() {
    static auto* load = new SharedLoad;
    return *load;
}

void report(const std::string& message) {
    std::fprintf(stderr, "%s%s\n", kReportPrefix, message.c_str());
}

std::string lastDlError() {
    const char* text = ::dlerror();
    return text == nullptr ? std::string("unknown error") : std::string(text);
}

template <typename Function>
void bindFunction(void* module, const char* name, Function& slot,
                  std::vector<std::string>& missing) {
    slot = reinterpret_cast<Function>(::dlsym(module, name));
    if (slot == nullptr) missing.emplace_back(name);
}

std::vector<std::string> bindAll(void* module, SqliteFunctions& f) {
    std::vector<std::string> missing;
#define QV_BIND_SQLITE(field) bindFunction(module, "sqlite3_" #field, f.field, missing)
    QV_BIND_SQLITE(open_v2);
    QV_BIND_SQLITE(close);
    QV_BIND_SQLITE(exec);
    QV_BIND_SQLITE(prepare_v2);
    QV_BIND_SQLITE(finalize);
    QV_BIND_SQLITE(bind_int64);
    QV_BIND_SQLITE(bind_blob64);
    QV_BIND_SQLITE(bind_zeroblob);
    QV_BIND_SQLITE(step);
    QV_BIND_SQLITE(column_int64);
    QV_BIND_SQLITE(column_blob);
    QV_BIND_SQLITE(column_bytes);
    QV_BIND_SQLITE(column_text);
    QV_BIND_SQLITE(changes);
    QV_BIND_SQLITE(busy_timeout);
    QV_BIND_SQLITE(shutdown);
#undef QV_BIND_SQLITE
    return missing;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

/// Loads and binds into `load`; the error text when that failed, with
/// nothing left loaded.
std::optional<std::string> loadInto(SharedLoad& load) {
    ::dlerror();
    void* module = ::dlopen(load.file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return "cannot load " + load.file + ": " + lastDlError();
    SqliteFunctions functions;
    const auto missing = bindAll(module, functions);
    if (!missing.empty()) {
        ::dlclose(module);
        return load.file + " lacks " + joined(missing);
    }
    load.module = module;
    load.functions = functions;
    return std::nullopt;
}

void dropReference() {
    auto& load = sharedLoad();
    const std::lock_guard lock(load.mutex);
    if (--load.users > 0) return;
    if (const int rc = load.functions.shutdown(); rc != SQLITE_OK) {
        // Unloading code that may still be in use would be worse than
        // keeping it: the next load reuses it.
        report("SQLite did not shut down (code " + std::to_string(rc) + "); it stays loaded");
        return;
    }
    if (::dlclose(load.module) != 0) report("cannot unload " + load.file + ": " + lastDlError());
    load.module = nullptr;
    load.functions = {};
}

}  // namespace

SqliteLibrary::SqliteLibrary(SqliteLibrary&& other) noexcept
    : m_functions(std::exchange(other.m_functions, nullptr)) {}

SqliteLibrary& SqliteLibrary::operator=(SqliteLibrary&& other) noexcept {
    if (this == &other) return *this;
    release();
    m_functions = std::exchange(other.m_functions, nullptr);
    return *this;
}

SqliteLibrary::~SqliteLibrary() { release(); }

void SqliteLibrary::release() {
    if (m_functions == nullptr) return;
    m_functions = nullptr;
    dropReference();
}

SqliteLoad loadSqliteLibrary() {
    auto& load = sharedLoad();
    const std::lock_guard lock(load.mutex);
    if (load.module == nullptr) {
        if (auto error = loadInto(load)) {
            report(*error);
            return {std::nullopt, std::move(*error)};
        }
    }
    ++load.users;
    return {SqliteLibrary(&load.functions), {}};
}

void setSqliteLibraryFile(std::string file) {
    auto& load = sharedLoad();
    const std::lock_guard lock(load.mutex);
    load.file = std::move(file);
}

int sqliteLibraryUsers() {
    auto& load = sharedLoad();
    const std::lock_guard lock(load.mutex);
    return load.users;
}

}  // namespace qv::platform
