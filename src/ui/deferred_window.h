#pragma once

#include <functional>
#include <memory>

#include "ui/controls.h"
#include "ui/plain_controls.h"

// The main window while it has never been shown: its control properties and
// timers live in memory, and the toolkit's widgets are made the first time
// the window is shown. A window kept in the tray then costs neither widgets,
// fonts nor text layout, and the refresh timer's handlers write plain values.

namespace qv {

class DeferredMainWindow;

/// The window's own property: hidden and in the normal state until built.
class DeferredWindowControl final : public WindowControl {
public:
    explicit DeferredWindowControl(DeferredMainWindow& owner) : m_owner(owner) {}
    bool visible() const override;
    void setVisible(bool visible) override;
    std::int32_t position() const override;
    /// A window never built is hidden, and Position acts on a shown window
    /// only, so the write is dropped.
    void setPosition(std::int32_t position) override;

private:
    friend class DeferredMainWindow;
    DeferredMainWindow& m_owner;
    WindowControl* m_live = nullptr;
};

class DeferredLabel final : public LabelControl {
public:
    explicit DeferredLabel(PlainLabel& plain) : m_plain(plain) {}
    Text caption() const override { return current().caption(); }
    void setCaption(const Text& caption) override { current().setCaption(caption); }
    void attach(LabelControl& live);

private:
    LabelControl& current() const { return m_live ? *m_live : m_plain; }
    PlainLabel& m_plain;
    LabelControl* m_live = nullptr;
};

class DeferredEdit final : public EditControl {
public:
    explicit DeferredEdit(PlainEdit& plain) : m_plain(plain) {}
    Text text() const override { return current().text(); }
    void setText(const Text& text) override { current().setText(text); }
    bool disabled() const override { return current().disabled(); }
    void setDisabled(bool disabled) override { current().setDisabled(disabled); }
    void attach(EditControl& live);

private:
    EditControl& current() const { return m_live ? *m_live : m_plain; }
    PlainEdit& m_plain;
    EditControl* m_live = nullptr;
};

class DeferredCheck final : public CheckControl {
public:
    explicit DeferredCheck(PlainCheck& plain) : m_plain(plain) {}
    bool checked() const override { return current().checked(); }
    void setChecked(bool checked) override { current().setChecked(checked); }
    void attach(CheckControl& live);

private:
    CheckControl& current() const { return m_live ? *m_live : m_plain; }
    PlainCheck& m_plain;
    CheckControl* m_live = nullptr;
};

class DeferredChart final : public ChartControl {
public:
    explicit DeferredChart(PlainChart& plain) : m_plain(plain) {}
    double value() const override { return current().value(); }
    void setValue(double value) override { current().setValue(value); }
    void attach(ChartControl& live);

private:
    ChartControl& current() const { return m_live ? *m_live : m_plain; }
    PlainChart& m_plain;
    ChartControl* m_live = nullptr;
};

/// The main window's controls, kept in memory until `build` makes the real
/// window; from then on every property reads and writes the real control,
/// which starts with the values the handlers left in memory. The timers stay
/// here for the whole run.
class DeferredMainWindow {
public:
    /// Makes the real window on the given timers and returns its controls.
    using Builder = std::function<MainWindowControls(WindowTimers timers)>;

    DeferredMainWindow(std::unique_ptr<TimerBackend> trim, std::unique_ptr<TimerBackend> refresh,
                       std::unique_ptr<TimerBackend> watch, Builder builder);
    DeferredMainWindow(const DeferredMainWindow&) = delete;
    DeferredMainWindow& operator=(const DeferredMainWindow&) = delete;

    MainWindowControls controls();
    WindowControl& window() { return m_window; }
    bool built() const { return m_window.m_live != nullptr; }
    /// Makes the real window now, once; later calls do nothing.
    void build();

private:
    PlainMainWindow m_plain;
    Builder m_builder;
    DeferredWindowControl m_window{*this};
    DeferredLabel m_标签13{m_plain.标签13}, m_标签15{m_plain.标签15}, m_标签5{m_plain.标签5},
        m_标签22{m_plain.标签22}, m_标签24{m_plain.标签24}, m_标签26{m_plain.标签26},
        m_标签4{m_plain.标签4};
    DeferredChart m_CPU占用图{m_plain.CPU占用图}, m_内存占用图{m_plain.内存占用图};
    DeferredCheck m_单选框3{m_plain.单选框3}, m_单选框4{m_plain.单选框4}, m_选择框3{m_plain.选择框3};
    DeferredEdit m_编辑框1{m_plain.编辑框1}, m_编辑框2{m_plain.编辑框2};
};

}  // namespace qv
