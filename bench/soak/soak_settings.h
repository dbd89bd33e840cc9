#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"
#include "flaky_fakes.h"
#include "platform/shell.h"
#include "ui/controls.h"

namespace qv::soak {

/// The autostart handlers and the settings operations on the real settings
/// store under `configHome`, whose writes fail at random.
class SoakSettings {
public:
    SoakSettings(const std::filesystem::path& configHome, Chance& chance, FaultCounts& faults);
    ~SoakSettings();
    SoakSettings(const SoakSettings&) = delete;
    SoakSettings& operator=(const SoakSettings&) = delete;

    void setAutostartBox(CheckControl& box);
    void onAutostartClicked(platform::Shell& shell, CheckControl& box, TextView executable);
    /// Whether the store holds the autostart value.
    bool autostartStored();

    /// A write, a read and maybe a delete of a value of our own, `data` as
    /// the text; returns what the results promised and the store denied.
    std::vector<std::string> settingsRound(TextView data);

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

}  // namespace qv::soak
