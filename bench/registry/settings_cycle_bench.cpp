// One settings read or write as the program makes it, in three states:
// idle (the library is loaded and the connection opened and configured for
// the call, then both released), with the library kept loaded by another
// store (the connection still opened per call), and with a key held open
// (nothing opened per call: what every call cost when the store kept its
// connection for the program's life). The database lives on disk under
// /var/tmp, as the user's own does.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/registry.h"
#include "platform/linux/sqlite_settings_store.h"

namespace {

using qv::platform::KeyAccess;
using qv::platform::RegistryRoot;
using qv::platform::SqliteSettingsStore;

class Folder {
public:
    Folder() {
        std::string pattern = "/var/tmp/quorvel-settings-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

enum class Held { Nothing, Library, Key };

/// Keeps what `held` names open for the benchmark's length.
struct Holder {
    Holder(Held held, SqliteSettingsStore& store, const Folder& folder)
        : other(folder.path() / "other.db") {
        if (held == Held::Library) key = other.createKey(RegistryRoot::CurrentUser, "Software\\H");
        if (held == Held::Key) {
            key = store.openKey(RegistryRoot::CurrentUser, "Software\\Q", KeyAccess::Read);
            keyStore = &store;
        }
    }
    ~Holder() {
        if (key) (keyStore != nullptr ? *keyStore : other).closeKey(*key);
    }
    SqliteSettingsStore other;
    SqliteSettingsStore* keyStore = nullptr;
    std::optional<qv::platform::KeyHandle> key;
};

void readCycle(benchmark::State& state) {
    const Folder folder;
    SqliteSettingsStore store(folder.path() / "settings.db");
    if (!qv::WriteRegistryText(store, 3, "Software\\Q\\V", "x")) state.SkipWithError("no store");
    const Holder holder(static_cast<Held>(state.range(0)), store, folder);
    for (auto _ : state) {
        benchmark::DoNotOptimize(qv::RegistryValueExists(store, 3, "Software\\Q\\V"));
    }
}

void writeCycle(benchmark::State& state) {
    const Folder folder;
    SqliteSettingsStore store(folder.path() / "settings.db");
    if (!qv::WriteRegistryText(store, 3, "Software\\Q\\V", "x")) state.SkipWithError("no store");
    const Holder holder(static_cast<Held>(state.range(0)), store, folder);
    for (auto _ : state) {
        benchmark::DoNotOptimize(qv::WriteRegistryText(store, 3, "Software\\Q\\V", "y"));
    }
}

void states(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("held(0=nothing,1=library,2=key)");
    for (const Held held : {Held::Nothing, Held::Library, Held::Key}) {
        benchmark->Arg(static_cast<int>(held));
    }
    benchmark->Unit(benchmark::kMicrosecond);
}

BENCHMARK(readCycle)->Apply(states);
BENCHMARK(writeCycle)->Apply(states);

}  // namespace
