#pragma once

#include "core/text.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "ui/controls.h"

// The autostart check box: its state is the presence of the program's value
// under the machine's Run key, and nothing else.

namespace qv {

inline constexpr std::int32_t kAutostartRoot = 4;
inline constexpr TextView kAutostartPath =
    "software\\microsoft\\windows\\CurrentVersion\\Run\\Quorvel1.0";

/// Start-up step: the box is checked exactly when the value exists. Writing
/// Checked raises no click, so nothing is shown.
void SetAutostartBox(platform::SettingsStore& store, CheckControl& box);

/// The box's click handler (the box has already changed). Checked writes the
/// executable's full path, cleared deletes the value; either way a box
/// captioned "信息：" tells the outcome. When the store refuses, the box
/// says so and the check box goes back to what the store really holds.
void OnAutostartClicked(platform::SettingsStore& store, platform::Shell& shell, CheckControl& box,
                        TextView executablePath);

}  // namespace qv
