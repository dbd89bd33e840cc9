// The window program: the Qt shell over the handlers of the program.

#include <cstdio>

#include <QApplication>
#include <QStyleFactory>

#include "app/wiring.h"
#include "ui/qt/qt_framework.h"
#include "ui/qt/qt_shell.h"
#include "ui/qt/window_program.h"

int main(int argc, char** argv) {
    if (!qv::HaveDisplay()) {
        std::fprintf(stderr,
                     "quorvel: no display found (DISPLAY and WAYLAND_DISPLAY are unset); the "
                     "window program needs a desktop session\n");
        return 2;
    }
    QApplication app(argc, argv);
    // The classic look: plain etched group frames that show their colours
    // untinted, as the window was drawn for.
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(classic);
    qv::QtShell shell;
    qv::WindowProgram program(app, shell, qv::wireSubsystems);
    return program.run();
}
