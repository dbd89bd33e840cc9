// The window program: a thin Qt shell over the handlers of the program.

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QWidget>

#include "app/program.h"
#include "core/application.h"
#include "core/texts.h"
#include "ui/plain_controls.h"
#include "ui/qt/qt_framework.h"
#include "ui/qt/qt_timer.h"

namespace {

/// The window itself, until the full template lands: title, fixed size, no
/// maximise button.
class WindowWidget final : public QWidget, public qv::WindowControl {
public:
    WindowWidget() {
        setWindowTitle(QString::fromLatin1(qv::texts::kWindowTitle.data(),
                                           static_cast<int>(qv::texts::kWindowTitle.size())));
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        setFixedSize(458, 256);
    }
    bool visible() const override { return isVisible(); }
    void setVisible(bool visible) override { QWidget::setVisible(visible); }
    std::int32_t position() const override {
        if (isMinimized()) return 2;
        if (isMaximized()) return 3;
        return 0;
    }
    void setPosition(std::int32_t) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (!qv::HaveDisplay()) {
        std::fprintf(stderr,
                     "quorvel: no display found (DISPLAY and WAYLAND_DISPLAY are unset); the "
                     "window program needs a desktop session\n");
        return 2;
    }
    QApplication app(argc, argv);

    std::unique_ptr<WindowWidget> window;
    std::unique_ptr<qv::PlainMainWindow> model;
    std::unique_ptr<qv::Program> program;
    qv::SharedState state;

    qv::Application* application = nullptr;
    qv::QtFramework framework(app, [&] {
        model = std::make_unique<qv::PlainMainWindow>(std::make_unique<qv::QtTimerBackend>(),
                                                      std::make_unique<qv::QtTimerBackend>(),
                                                      std::make_unique<qv::QtTimerBackend>());
        window = std::make_unique<WindowWidget>();
        auto controls = model->controls();
        qv::MainWindowControls bound{*window,        controls.标签13, controls.标签15,
                                     controls.标签5,   controls.标签22, controls.标签24,
                                     controls.标签26,  controls.CPU占用图, controls.内存占用图,
                                     controls.单选框3, controls.单选框4, controls.编辑框1,
                                     controls.编辑框2, controls.标签4,  controls.选择框3,
                                     controls.时钟1,   controls.时钟2,  controls.时钟3};
        program = std::make_unique<qv::Program>(*application, bound, qv::Program::Parts{});
        program->bindTimers();
        program->OnMainWindowCreated();
    });
    qv::Application core(framework, state);
    application = &core;
    return core.run();
}
