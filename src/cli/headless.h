#pragma once

#include <functional>
#include <memory>

#include "app/program.h"
#include "app/wiring.h"
#include "cli/terminal_shell.h"
#include "core/application.h"
#include "platform/event_loop.h"
#include "ui/plain_controls.h"

namespace qv {

/// The window's handlers without a window: the same controls in memory, the
/// same timers on a plain event loop, the same subsystems wired in.
class HeadlessSession final : public Framework {
public:
    HeadlessSession();
    ~HeadlessSession() override;

    /// Called after the creation handler, before the loop runs.
    void setAfterCreation(std::function<void()> hook) { m_afterCreation = std::move(hook); }

    /// Start-up, the loop until a signal, the orderly end; returns 0.
    int run();

    /// Creates the window model and wires the handlers without running them.
    void load();

    PlainMainWindow& window() { return *m_window; }
    Wiring& wiring() { return *m_wiring; }
    Program& program() { return *m_program; }
    Application& application() { return m_application; }
    platform::EventLoop& loop() { return m_loop; }

    /// Told of every new caption of the status label.
    void setStatusListener(std::function<void(const Text&)> listener) {
        m_statusListener = std::move(listener);
    }
    /// Told after every refresh tick.
    void setRefreshListener(std::function<void()> listener) {
        m_refreshListener = std::move(listener);
    }

    // Framework
    void initialise() override {}
    void loadMainWindow() override;
    void runEventLoop() override;
    void requestQuit() override { m_loop.quit(); }
    void showFatalError(const Text& message) override;
    [[noreturn]] void exitProcess(int code) override;

private:
    class StatusLabel;

    platform::EventLoop m_loop;
    TerminalShell m_shell;
    SharedState m_state;
    Application m_application;
    std::unique_ptr<PlainMainWindow> m_window;
    std::unique_ptr<StatusLabel> m_status;
    std::unique_ptr<Wiring> m_wiring;
    std::unique_ptr<Program> m_program;
    std::function<void()> m_afterCreation;
    std::function<void(const Text&)> m_statusListener;
    std::function<void()> m_refreshListener;
};

}  // namespace qv
