#pragma once

#include <functional>
#include <vector>

#include "core/shared_state.h"
#include "core/text.h"

namespace qv {

/// What the program needs of its window framework: loading the main window
/// from its template, the event loop, the quit request, the fatal-error box
/// and the end of the process.
class Framework {
public:
    virtual ~Framework() = default;
    /// Prepares the framework and registers the window template.
    virtual void initialise() = 0;
    /// Creates the window and its controls; raises Created (the creation
    /// handler runs inside this call), then PositionChanged; does not show it.
    virtual void loadMainWindow() = 0;
    /// Runs until a quit is requested.
    virtual void runEventLoop() = 0;
    /// Ends the event loop; the current handler finishes first.
    virtual void requestQuit() = 0;
    /// Tells the user about a fatal error.
    virtual void showFatalError(const Text& message) = 0;
    /// Ends the process with `code`, now.
    [[noreturn]] virtual void exitProcess(int code) = 0;
};

/// The exit hook: a clean-up that runs at most once.
class ExitHook {
public:
    void set(std::function<void()> hook) { m_hook = std::move(hook); }
    void clear() { m_hook = nullptr; }
    void run() {
        auto hook = std::move(m_hook);
        m_hook = nullptr;
        if (hook) hook();
    }

private:
    std::function<void()> m_hook;
};

/// Exit codes of the process.
inline constexpr int kExitOrderly = 0;
inline constexpr int kExitFatal = -1;

/// Resets the floating-point environment: round to nearest, all exceptions
/// masked, so that a division by zero yields an infinity and never a fault.
void ResetFloatingPointEnvironment();

/// The application core: start-up, the two orderly ends and the fatal end.
class Application {
public:
    Application(Framework& framework, SharedState& state);

    /// Start-up in order, the event loop, then the orderly end; returns the
    /// exit code (0) when the loop ends because the window is gone.
    int run();

    /// The exit command: the orderly end at once, from inside the handler
    /// that asks for it; no further event is processed.
    [[noreturn]] void endNow(int code = kExitOrderly);

    /// A fatal error of the framework: an error box, exit code -1, and no
    /// clean-up (the exit hook is cleared first).
    [[noreturn]] void fatal(const Text& message);

    /// A library bound by name at run time, released by the orderly end.
    void addLibraryRelease(std::function<void()> release);

    SharedState& state() { return m_state; }
    Framework& framework() { return m_framework; }

private:
    void orderlyEnd();

    Framework& m_framework;
    SharedState& m_state;
    ExitHook m_exitHook;
    std::vector<std::function<void()>> m_libraryReleases;
};

}  // namespace qv
