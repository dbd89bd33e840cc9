#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QTimer>
#include <QWidget>

#include "ui/controls.h"
#include "ui/qt/widgets.h"
#include "ui/visibility.h"

namespace qv {

class BarChart;

/// Whether the window shows on the taskbar: not when the tray holds its
/// icon, as the tray is then the way back to it.
enum class TaskbarPresence { Listed, OffTaskbar };

/// The program's only window, built from its template: every control as a
/// child widget named by its form name, and the window's Visible and
/// Position properties. Its timers live apart from it (WindowTimers).
class MainWindow final : public QWidget, public WindowControl, private WindowStateHost {
    Q_OBJECT
public:
    /// Handlers of the window's own events; each may be left empty.
    struct Events {
        std::function<void()> positionChanged;
        std::function<void()> willBeDestroyed;  // the window is closing for good
        std::function<void()> autostartClicked;
        std::function<void()> contactClicked;
    };

    explicit MainWindow(TaskbarPresence taskbar);
    ~MainWindow() override;

    void setEvents(Events events) { m_events = std::move(events); }
    /// What a press on the background does; by default the system moves the
    /// window with the mouse.
    void setMoveStarter(std::function<void()> starter) { m_moveStarter = std::move(starter); }

    /// The controls handlers use, with the timers given.
    MainWindowControls controls(WindowTimers timers);
    /// The child of that form name (UTF-8), or nullptr.
    QWidget* control(const std::string& formName) const;

    // WindowControl
    bool visible() const override { return isVisible(); }
    void setVisible(bool visible) override;
    std::int32_t position() const override { return readPosition(*this); }
    void setPosition(std::int32_t position) override { writePosition(*this, position); }

    void raisePositionChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // WindowStateHost
    bool shown() const override { return isVisible(); }
    bool minimised() const override { return isMinimized(); }
    bool maximised() const override { return isMaximized(); }
    void showNormal() override { QWidget::showNormal(); }
    void showMinimised() override { QWidget::showMinimized(); }
    void showMaximised() override { QWidget::showMaximized(); }
    void centre() override;

    void buildControls();
    QWidget* makeControl(const ControlTemplate& control, QWidget* container);
    void fitOuterSize();
    QMargins frameMarginsNow();
    void startSystemMove();
    void postPositionChanged();
    void followFrame();
    template <class T>
    T& named(const char* formName) const;

    TaskbarPresence m_taskbar;
    Events m_events;
    std::function<void()> m_moveStarter;
    std::map<std::string, QWidget*> m_controls;
    bool m_centredThisShowing = false;
    QMargins m_centredWithFrame;
    QMargins m_knownFrame;
    QTimer m_frameWatch;
    int m_frameWatchTicks = 0;
    bool m_closed = false;
};

}  // namespace qv
