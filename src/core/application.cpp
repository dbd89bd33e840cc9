#include "core/application.h"

#include <cfenv>
#include <cstdlib>

namespace qv {

void ResetFloatingPointEnvironment() { std::fesetenv(FE_DFL_ENV); }

Application::Application(Framework& framework, SharedState& state)
    : m_framework(framework), m_state(state) {}

int Application::run() {
    m_framework.initialise();
    ResetFloatingPointEnvironment();
    AllocateSharedState(m_state);
    m_exitHook.set([this] { ReleaseSharedState(m_state); });
    m_framework.loadMainWindow();
    m_framework.runEventLoop();
    orderlyEnd();
    return kExitOrderly;
}

void Application::endNow(int code) {
    orderlyEnd();
    m_framework.exitProcess(code);
    std::abort();  // a framework whose exit returned must not run on
}

void Application::fatal(const Text& message) {
    m_exitHook.clear();
    m_framework.showFatalError(message);
    m_framework.exitProcess(kExitFatal);
    std::abort();
}

void Application::addLibraryRelease(std::function<void()> release) {
    m_libraryReleases.push_back(std::move(release));
}

void Application::orderlyEnd() {
    m_exitHook.run();
    auto releases = std::move(m_libraryReleases);
    m_libraryReleases.clear();
    for (auto& release : releases) release();
}

}  // namespace qv
