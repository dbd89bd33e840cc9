#pragma once

#include <memory>

#include "ui/controls.h"

// In-memory controls: the window model without a toolkit, for tests and for
// the headless optimiser.

namespace qv {

class PlainWindow final : public WindowControl {
public:
    bool visible() const override { return m_visible; }
    void setVisible(bool visible) override { m_visible = visible; }
    std::int32_t position() const override { return m_state; }
    void setPosition(std::int32_t position) override;
    /// Times a write of Position 1 centred the window.
    int centredCount() const { return m_centred; }

private:
    bool m_visible = false;
    std::int32_t m_state = 0;  // 0 normal, 2 minimised, 3 maximised
    int m_centred = 0;
};

class PlainLabel final : public LabelControl {
public:
    explicit PlainLabel(Text caption = {}) : m_caption(std::move(caption)) {}
    Text caption() const override { return m_caption; }
    void setCaption(const Text& caption) override { m_caption = caption; }

private:
    Text m_caption;
};

class PlainEdit final : public EditControl {
public:
    explicit PlainEdit(Text text = {}) : m_text(std::move(text)) {}
    Text text() const override { return m_text; }
    void setText(const Text& text) override { m_text = text; }
    bool disabled() const override { return m_disabled; }
    void setDisabled(bool disabled) override { m_disabled = disabled; }

private:
    Text m_text;
    bool m_disabled = false;
};

class PlainCheck final : public CheckControl {
public:
    bool checked() const override { return m_checked; }
    void setChecked(bool checked) override { m_checked = checked; }

private:
    bool m_checked = false;
};

class PlainChart final : public ChartControl {
public:
    double value() const override { return m_value; }
    void setValue(double value) override { m_value = ClampChartValue(value); }

private:
    double m_value = 0.0;
};

/// Every control of MainWindow in memory, with its template texts and the
/// three timers on the given backends.
struct PlainMainWindow {
    PlainMainWindow(std::unique_ptr<TimerBackend> trim, std::unique_ptr<TimerBackend> refresh,
                    std::unique_ptr<TimerBackend> watch);

    PlainWindow window;
    PlainLabel 标签13, 标签15, 标签5, 标签22, 标签24, 标签26, 标签4;
    PlainChart CPU占用图, 内存占用图;
    PlainCheck 单选框3, 单选框4, 选择框3;
    PlainEdit 编辑框1, 编辑框2;
    Timer 时钟1, 时钟2, 时钟3;

    MainWindowControls controls();
    WindowTimers timers() { return {时钟1, 时钟2, 时钟3}; }
};

}  // namespace qv
