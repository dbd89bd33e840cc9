#pragma once

#include <functional>

#include "core/application.h"
#include "ui/controls.h"

namespace qv {

/// The handlers of MainWindow that bring the subsystems together. The parts
/// that belong to other subsystems come in as functions, so that the window
/// program, the headless optimiser and the tests wire the same handlers to
/// their own pieces.
class Program {
public:
    struct Parts {
        std::function<void()> setAutostartBox;       // from the autostart entry
        std::function<void(TextView)> installSkin;   // with the module name
        std::function<void()> addTrayIcon;
        std::function<void()> refreshDashboard;
        std::function<void()> trimPass;              // trim timer tick
        std::function<void()> onRefreshTick;         // refresh timer tick
        std::function<void()> evaluateStrategy;      // watch timer tick
        std::function<void()> onAutostartClicked;    // the check box was clicked
        std::function<void()> openContactLink;       // button and tray menu item
    };

    Program(Application& application, MainWindowControls controls, Parts parts);

    /// Binds the three timers to their handlers; done before the window's
    /// creation handler runs.
    void bindTimers();

    /// The creation handler of MainWindow: its eight steps, in order.
    void OnMainWindowCreated();

    MainWindowControls& controls() { return m_controls; }
    Application& application() { return m_application; }

private:
    Application& m_application;
    MainWindowControls m_controls;
    Parts m_parts;
};

/// Watch timer period while watching.
inline constexpr std::int32_t kWatchPeriod = 500;

}  // namespace qv
