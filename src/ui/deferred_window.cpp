#include "ui/deferred_window.h"

namespace qv {

bool DeferredWindowControl::visible() const { return m_live && m_live->visible(); }

void DeferredWindowControl::setVisible(bool visible) {
    if (!m_live) {
        if (!visible) return;
        m_owner.build();
    }
    m_live->setVisible(visible);
}

std::int32_t DeferredWindowControl::position() const { return m_live ? m_live->position() : 0; }

void DeferredWindowControl::setPosition(std::int32_t position) {
    if (m_live) m_live->setPosition(position);
}

void DeferredLabel::attach(LabelControl& live) {
    live.setCaption(m_plain.caption());
    m_live = &live;
}

void DeferredEdit::attach(EditControl& live) {
    live.setText(m_plain.text());
    live.setDisabled(m_plain.disabled());
    m_live = &live;
}

void DeferredCheck::attach(CheckControl& live) {
    live.setChecked(m_plain.checked());
    m_live = &live;
}

void DeferredChart::attach(ChartControl& live) {
    live.setValue(m_plain.value());
    m_live = &live;
}

DeferredMainWindow::DeferredMainWindow(std::unique_ptr<TimerBackend> trim,
                                       std::unique_ptr<TimerBackend> refresh,
                                       std::unique_ptr<TimerBackend> watch, Builder builder)
    : m_plain(std::move(trim), std::move(refresh), std::move(watch)),
      m_builder(std::move(builder)) {}

MainWindowControls DeferredMainWindow::controls() {
    return MainWindowControls{m_window,       m_标签13,   m_标签15,   m_标签5,   m_标签22,
                              m_标签24,       m_标签26,   m_CPU占用图, m_内存占用图, m_单选框3,
                              m_单选框4,      m_编辑框1,  m_编辑框2,  m_标签4,   m_选择框3,
                              m_plain.时钟1, m_plain.时钟2, m_plain.时钟3};
}

void DeferredMainWindow::build() {
    if (built()) return;
    MainWindowControls live = m_builder(m_plain.timers());
    m_标签13.attach(live.标签13);
    m_标签15.attach(live.标签15);
    m_标签5.attach(live.标签5);
    m_标签22.attach(live.标签22);
    m_标签24.attach(live.标签24);
    m_标签26.attach(live.标签26);
    m_标签4.attach(live.标签4);
    m_CPU占用图.attach(live.CPU占用图);
    m_内存占用图.attach(live.内存占用图);
    m_单选框3.attach(live.单选框3);
    m_单选框4.attach(live.单选框4);
    m_选择框3.attach(live.选择框3);
    m_编辑框1.attach(live.编辑框1);
    m_编辑框2.attach(live.编辑框2);
    m_window.m_live = &live.window;
}

}  // namespace qv
