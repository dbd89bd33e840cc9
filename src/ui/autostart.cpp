#include "ui/autostart.h"

#include "core/registry.h"
#include "core/texts.h"

namespace qv {
namespace {

bool autostartPresent(platform::SettingsStore& store) {
    return RegistryValueExists(store, kAutostartRoot, kAutostartPath);
}

bool setAutostart(platform::SettingsStore& store, TextView executablePath) {
    return WriteRegistryText(store, kAutostartRoot, kAutostartPath, executablePath);
}

/// A delete that found nothing still leaves autostart off, which is what the
/// user asked for; only a value that is still there is a failure.
bool clearAutostart(platform::SettingsStore& store) {
    return DeleteRegistryItem(store, kAutostartRoot, kAutostartPath) || !autostartPresent(store);
}

}  // namespace

void SetAutostartBox(platform::SettingsStore& store, CheckControl& box) {
    box.setChecked(autostartPresent(store));
}

void OnAutostartClicked(platform::SettingsStore& store, platform::Shell& shell, CheckControl& box,
                        TextView executablePath) {
    const bool wanted = box.checked();
    const bool done = wanted ? setAutostart(store, executablePath) : clearAutostart(store);
    if (!done) box.setChecked(autostartPresent(store));
    const TextView message = wanted ? (done ? texts::kAutostartSet : texts::kAutostartSetFailed)
                                    : (done ? texts::kAutostartCleared
                                            : texts::kAutostartClearFailed);
    shell.showMessageBox(Text(message), Text(texts::kMessageCaption));
}

}  // namespace qv
