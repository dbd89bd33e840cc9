#include "cli/headless.h"

#include <unistd.h>

#include <cstdio>

#include "platform/codec.h"

namespace qv {

/// The status label in memory, telling a listener of every new caption.
class HeadlessSession::StatusLabel final : public LabelControl {
public:
    StatusLabel(LabelControl& inner, const std::function<void(const Text&)>& listener)
        : m_inner(inner), m_listener(listener) {}
    Text caption() const override { return m_inner.caption(); }
    void setCaption(const Text& caption) override {
        m_inner.setCaption(caption);
        if (m_listener) m_listener(caption);
    }

private:
    LabelControl& m_inner;
    const std::function<void(const Text&)>& m_listener;
};

HeadlessSession::HeadlessSession() : m_application(*this, m_state) {}
HeadlessSession::~HeadlessSession() = default;

int HeadlessSession::run() { return m_application.run(); }

void HeadlessSession::load() {
    if (!m_state.allocated()) AllocateSharedState(m_state);
    m_window = std::make_unique<PlainMainWindow>(
        m_loop.makeTimerBackend(), m_loop.makeTimerBackend(), m_loop.makeTimerBackend());
    m_status = std::make_unique<StatusLabel>(m_window->标签4, m_statusListener);
    MainWindowControls controls = m_window->controls();
    MainWindowControls bound{controls.window,  controls.标签13,  controls.标签15, controls.标签5,
                             controls.标签22,  controls.标签24,  controls.标签26, controls.CPU占用图,
                             controls.内存占用图, controls.单选框3, controls.单选框4, controls.编辑框1,
                             controls.编辑框2, *m_status,        controls.选择框3, controls.时钟1,
                             controls.时钟2,   controls.时钟3};
    m_wiring = std::make_unique<Wiring>(m_application, bound, m_shell);
    // No window, no tray, no skin, no autostart box: only the figures and
    // the optimiser.
    wireMonitor(*m_wiring);
    wireOptimize(*m_wiring);
    auto refreshTick = m_wiring->parts.onRefreshTick;
    m_wiring->parts.onRefreshTick = [this, refreshTick] {
        if (refreshTick) refreshTick();
        if (m_refreshListener) m_refreshListener();
    };
    m_program = std::make_unique<Program>(m_application, bound, m_wiring->parts);
    m_program->bindTimers();
}

void HeadlessSession::loadMainWindow() {
    load();
    m_program->OnMainWindowCreated();
    if (m_afterCreation) m_afterCreation();
}

void HeadlessSession::runEventLoop() { m_loop.run(); }

void HeadlessSession::showFatalError(const Text& message) {
    std::fprintf(stderr, "quorvelctl: fatal error: %s\n", platform::gbkToUtf8(message).c_str());
}

void HeadlessSession::exitProcess(int code) {
    std::fflush(nullptr);
    _exit(code);
}

}  // namespace qv
