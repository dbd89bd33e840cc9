#include <memory>

#include "app/wiring.h"
#include "platform/module_path.h"
#include "platform/settings_store.h"
#include "ui/autostart.h"

namespace qv {

void wireAutostart(Wiring& wiring) {
    using StorePointer = std::unique_ptr<platform::SettingsStore>;
    auto& store = *wiring.own<StorePointer>(
        platform::openSettingsStore(platform::defaultConfigHome()));
    // Taken once at start: the entry names the program as it was started.
    const Text executable = platform::executablePath();
    CheckControl& box = wiring.controls.选择框3;
    platform::Shell& shell = wiring.shell;

    wiring.parts.setAutostartBox = [&store, &box] { SetAutostartBox(store, box); };
    wiring.parts.onAutostartClicked = [&store, &shell, &box, executable] {
        OnAutostartClicked(store, shell, box, executable);
    };
}

}  // namespace qv
