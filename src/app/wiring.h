#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "app/program.h"
#include "core/application.h"
#include "core/shared_state.h"
#include "platform/shell.h"
#include "ui/controls.h"

namespace qv {

class ExternalFunctions;

/// Everything the subsystems need to fill in their handlers: the core, the
/// window's controls, the shell of the front end in use, and a place to keep
/// the platform objects their handlers use alive for the whole run.
struct Wiring {
    Wiring(Application& app, MainWindowControls windowControls, platform::Shell& desktopShell)
        : application(app), controls(windowControls), shell(desktopShell) {}

    Application& application;
    MainWindowControls controls;
    platform::Shell& shell;
    Program::Parts parts;
    /// The run's table of functions bound by name, once made.
    ExternalFunctions* externalFunctions = nullptr;

    template <class T, class... Args>
    T& own(Args&&... args) {
        auto object = std::make_shared<T>(std::forward<Args>(args)...);
        T& ref = *object;
        m_owned.push_back(std::move(object));
        return ref;
    }

private:
    std::vector<std::shared_ptr<void>> m_owned;
};

// Each subsystem fills in its own handlers (one file each, src/app/wire_*.cpp).
void wireMonitor(Wiring& wiring);    // refreshDashboard
void wireOptimize(Wiring& wiring);   // trimPass, onRefreshTick, evaluateStrategy
void wireAutostart(Wiring& wiring);  // setAutostartBox, onAutostartClicked
void wireSkin(Wiring& wiring);       // installSkin

/// All of the above, in that order.
void wireSubsystems(Wiring& wiring);

}  // namespace qv
