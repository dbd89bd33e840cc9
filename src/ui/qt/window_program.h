#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QApplication>

#include "app/program.h"
#include "app/wiring.h"
#include "core/application.h"
#include "core/shared_state.h"
#include "platform/shell.h"
#include "ui/deferred_window.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_framework.h"
#include "ui/qt/qt_tray.h"
#include "ui/tray.h"
#include "ui/visibility.h"

namespace qv {

/// The window program put together: the core on the Qt framework, the main
/// window with its handlers, the tray entry and the subsystems' parts.
class WindowProgram {
public:
    /// `wire` fills in the subsystems' parts (qv::wireSubsystems in the
    /// program; tests pass their own).
    WindowProgram(QApplication& app, platform::Shell& shell, std::function<void(Wiring&)> wire);
    ~WindowProgram();

    /// Start-up, the event loop and the orderly end; the exit code.
    int run();

    /// The real window, made the first time it is shown; nullptr until then.
    MainWindow* window() { return m_window.get(); }
    /// The window's controls as the handlers see them; valid once run() has
    /// loaded the program.
    DeferredMainWindow* controls() { return m_controls.get(); }
    TrayEntry* trayEntry() { return m_entry.get(); }
    QtTray* tray() { return m_tray.get(); }
    const VisibilityRules& rules() const { return m_rules; }

private:
    void load();
    MainWindowControls buildWindow(WindowTimers timers);
    void bindWindowEvents();
    TrayCommandHandlers trayCommands();

    platform::Shell& m_shell;
    std::function<void(Wiring&)> m_wire;
    VisibilityRules m_rules;
    std::vector<std::uint8_t> m_iconBytes;
    SharedState m_state;
    QtFramework m_framework;
    Application m_application;
    std::unique_ptr<DeferredMainWindow> m_controls;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QtTray> m_tray;
    std::unique_ptr<TrayEntry> m_entry;
    std::unique_ptr<Wiring> m_wiring;
    std::unique_ptr<Program> m_program;
};

}  // namespace qv
