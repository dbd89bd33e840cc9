#pragma once

#include <cstdint>

#include "core/text.h"
#include "core/timer.h"

// The control properties through which handlers read and change the main
// window. The Qt shell implements them on widgets; plain in-memory versions
// (plain_controls.h) serve tests and the headless optimiser.

namespace qv {

class WindowControl {
public:
    virtual ~WindowControl() = default;
    virtual bool visible() const = 0;
    /// false hides; true shows in the current place and state.
    virtual void setVisible(bool visible) = 0;
    /// 2 while minimised, 3 while maximised, 0 otherwise.
    virtual std::int32_t position() const = 0;
    /// Clamped into 0..3 and applied only while visible: 0 normal, 1 restore
    /// and centre on the primary screen, 2 minimise, 3 maximise.
    virtual void setPosition(std::int32_t position) = 0;
};

class LabelControl {
public:
    virtual ~LabelControl() = default;
    virtual Text caption() const = 0;
    virtual void setCaption(const Text& caption) = 0;
};

class EditControl {
public:
    virtual ~EditControl() = default;
    virtual Text text() const = 0;
    virtual void setText(const Text& text) = 0;
    virtual bool disabled() const = 0;
    virtual void setDisabled(bool disabled) = 0;
};

/// A radio button or a check box. Writing Checked raises no click and does
/// not clear the other button of a group.
class CheckControl {
public:
    virtual ~CheckControl() = default;
    virtual bool checked() const = 0;
    virtual void setChecked(bool checked) = 0;
};

/// The one bar of a chart: below 0 or not a number is stored as 0, above
/// 10,000,000 as 10,000,000.
class ChartControl {
public:
    virtual ~ChartControl() = default;
    virtual double value() const = 0;
    virtual void setValue(double value) = 0;
};

/// Clamps a chart value as every chart stores it.
double ClampChartValue(double value);

/// The three timers of MainWindow, which live apart from its widgets: they
/// run whether or not the window has ever been made.
struct WindowTimers {
    Timer& 时钟1;  // trim timer
    Timer& 时钟2;  // refresh timer
    Timer& 时钟3;  // watch timer
};

/// The controls of MainWindow that handlers use, by their form names.
struct MainWindowControls {
    WindowControl& window;
    // dashboard figures
    LabelControl& 标签13;  // processor usage
    LabelControl& 标签15;  // memory usage percentage
    LabelControl& 标签5;   // total physical memory
    LabelControl& 标签22;  // used physical memory
    LabelControl& 标签24;  // total virtual memory
    LabelControl& 标签26;  // used virtual memory
    ChartControl& CPU占用图;
    ChartControl& 内存占用图;
    // strategy
    CheckControl& 单选框3;  // interval strategy
    CheckControl& 单选框4;  // threshold strategy
    EditControl& 编辑框1;   // interval in minutes
    EditControl& 编辑框2;   // threshold in percent
    // status, autostart
    LabelControl& 标签4;
    CheckControl& 选择框3;
    // timers
    Timer& 时钟1;  // trim timer
    Timer& 时钟2;  // refresh timer
    Timer& 时钟3;  // watch timer
};

/// Template periods of the three timers, in milliseconds.
inline constexpr std::int32_t kTrimTimerTemplatePeriod = 0;
inline constexpr std::int32_t kRefreshTimerTemplatePeriod = 1000;
inline constexpr std::int32_t kWatchTimerTemplatePeriod = 0;

}  // namespace qv
