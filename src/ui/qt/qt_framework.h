#pragma once

#include <functional>

#include <QApplication>

#include "core/application.h"

namespace qv {

/// The window framework on Qt Widgets.
class QtFramework final : public Framework {
public:
    /// `loader` creates MainWindow and raises its Created event.
    QtFramework(QApplication& app, std::function<void()> loader);

    void initialise() override;
    void loadMainWindow() override;
    void runEventLoop() override;
    void requestQuit() override;
    void showFatalError(const Text& message) override;
    [[noreturn]] void exitProcess(int code) override;

private:
    QApplication& m_app;
    std::function<void()> m_loader;
};

/// True when a display server is named in the environment (or a Qt platform
/// is chosen explicitly), so that a window can be shown.
bool HaveDisplay();

}  // namespace qv
