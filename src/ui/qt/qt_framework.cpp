#include "ui/qt/qt_framework.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <QMessageBox>
#include <QString>

#include "platform/codec.h"

namespace qv {

QtFramework::QtFramework(QApplication& app, std::function<void()> loader)
    : m_app(app), m_loader(std::move(loader)) {}

void QtFramework::initialise() {
    // The window's own destruction ends the program; a hidden window or a
    // closed message box must not.
    m_app.setQuitOnLastWindowClosed(false);
}

void QtFramework::loadMainWindow() { m_loader(); }

void QtFramework::runEventLoop() { m_app.exec(); }

void QtFramework::requestQuit() { m_app.quit(); }

void QtFramework::showFatalError(const Text& message) {
    const std::string utf8 = platform::gbkToUtf8(message);
    std::fprintf(stderr, "quorvel: fatal error: %s\n", utf8.c_str());
    QMessageBox::critical(nullptr, QStringLiteral("Quorvel1.0"), QString::fromStdString(utf8));
}

void QtFramework::exitProcess(int code) {
    std::fflush(nullptr);
    // Straight out: no static destructors run behind the live application
    // object, and no queued event is dispatched any more.
    _exit(code);
}

bool HaveDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace qv
