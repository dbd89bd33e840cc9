#include "platform/settings_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/linux/run_key_routing.h"
#include "platform/linux/sqlite_library.h"
#include "platform/linux/sqlite_settings_store.h"

namespace qv::platform {
namespace {

constexpr const char* kStoreFolder = "Quorvel1.0";
constexpr const char* kStoreFile = "settings.db";
constexpr const char* kAutostartFolder = "autostart";
constexpr const char* kAutostartFile = "Quorvel1.0.desktop";

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') return home;
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
        return user->pw_dir;
    }
    return "/";
}

}  // namespace

std::filesystem::path defaultConfigHome() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        return config;
    }
    return homeFolder() / ".config";
}

namespace {

/// Holds a reference to the one load of libsqlite3; a failed load holds
/// nothing, and each store then reports the failure on its own calls.
class SqliteHold final : public SettingsStoreHold {
public:
    SqliteHold() : m_load(loadSqliteLibrary()) {}

private:
    SqliteLoad m_load;
};

}  // namespace

std::unique_ptr<SettingsStoreHold> holdSettingsStores() { return std::make_unique<SqliteHold>(); }

std::unique_ptr<SettingsStore> openSettingsStore(const std::filesystem::path& configHome) {
    auto database = std::make_unique<SqliteSettingsStore>(configHome / kStoreFolder / kStoreFile);
    DesktopAutostartEntry entry(configHome / kAutostartFolder / kAutostartFile);
    return std::make_unique<RunKeyRouting>(std::move(database), std::move(entry));
}

}  // namespace qv::platform
