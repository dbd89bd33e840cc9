#include "app/program.h"

#include "core/texts.h"

namespace qv {
namespace {

void callIfSet(const std::function<void()>& f) {
    if (f) f();
}

}  // namespace

Program::Program(Application& application, MainWindowControls controls, Parts parts)
    : m_application(application), m_controls(controls), m_parts(std::move(parts)) {}

void Program::bindTimers() {
    m_controls.时钟1.setTickHandler([this] { callIfSet(m_parts.trimPass); });
    m_controls.时钟2.setTickHandler([this] { callIfSet(m_parts.onRefreshTick); });
    m_controls.时钟3.setTickHandler([this] { callIfSet(m_parts.evaluateStrategy); });
}

void Program::OnMainWindowCreated() {
    m_controls.window.setVisible(false);
    callIfSet(m_parts.setAutostartBox);
    m_controls.时钟3.setPeriod(kWatchPeriod);
    if (m_parts.installSkin) m_parts.installSkin(texts::kSkinModuleName);
    callIfSet(m_parts.addTrayIcon);
    callIfSet(m_parts.refreshDashboard);
    m_controls.单选框3.setChecked(true);
    m_controls.单选框4.setChecked(false);
    m_controls.标签4.setCaption(Text(texts::kStartupStatus));
}

}  // namespace qv
