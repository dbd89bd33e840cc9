#include "ui/qt/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "core/texts.h"
#include "platform/taskbar.h"
#include "ui/qt/barchart.h"

namespace qv {
namespace {

// How long a centred window follows the window manager's framing of it.
constexpr auto kFrameWatchPeriod = std::chrono::milliseconds{50};
constexpr int kFrameWatchTicks = 40;

constexpr auto kWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint;

void run(const std::function<void()>& handler) {
    if (handler) handler();
}

QRect toQRect(Rect r) { return QRect(r.left, r.top, r.width, r.height); }

}  // namespace

MainWindow::MainWindow(TaskbarPresence taskbar)
    : QWidget(nullptr, kWindowFlags),
      m_taskbar(taskbar) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromLatin1(texts::kWindowTitle.data(),
                                       static_cast<int>(texts::kWindowTitle.size())));
    setFont(fontFor({}));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, toQColor(kButtonFace));
    setPalette(colours);
    setAutoFillBackground(true);
    buildControls();
    fitOuterSize();
    m_frameWatch.setInterval(kFrameWatchPeriod);
    connect(&m_frameWatch, &QTimer::timeout, this, &MainWindow::followFrame);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        const Point origin = centredOrigin({area.width(), area.height()}, kWindowOuterSize);
        move(area.left() + origin.x, area.top() + origin.y);
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    for (const ControlTemplate& control : windowControls()) {
        QWidget* container = this;
        if (!control.container.empty()) container = m_controls.at(std::string(control.container));
        QWidget* widget = makeControl(control, container);
        widget->setObjectName(QString::fromUtf8(control.formName.data(),
                                                static_cast<qsizetype>(control.formName.size())));
        widget->setGeometry(toQRect(control.place));
        m_controls.emplace(std::string(control.formName), widget);
    }
}

QWidget* MainWindow::makeControl(const ControlTemplate& control, QWidget* container) {
    const Text text(control.text);
    switch (control.kind) {
    case ControlKind::GroupBox:
        return new FramedGroup(text, control.background.value_or(kButtonFace), container);
    case ControlKind::Label:
        return new CaptionLabel(text, labelStyle(control.look), container);
    case ControlKind::TransparentLabel:
        return new TransparentLabel(text, container);
    case ControlKind::Edit:
        return new EditBox(text, container);
    case ControlKind::Radio:
        return new RadioButton(text, container);
    case ControlKind::Check: {
        auto* box = new CheckBox(text, container);
        connect(box, &QCheckBox::clicked, this, [this] { run(m_events.autostartClicked); });
        return box;
    }
    case ControlKind::Button: {
        auto* button = new PushButton(text, container);
        connect(button, &QPushButton::clicked, this, [this] { run(m_events.contactClicked); });
        return button;
    }
    case ControlKind::Chart: {
        auto* chart = new BarChart(container);
        chart->setSettings(control.formName == "CPU占用图" ? BarChartSettings::processorChart()
                                                           : BarChartSettings::memoryChart());
        chart->setAttribute(Qt::WA_NoMousePropagation);  // a chart keeps its presses
        return chart;
    }
    }
    return new QWidget(container);
}

template <class T>
T& MainWindow::named(const char* formName) const {
    return *dynamic_cast<T*>(m_controls.at(formName));
}

MainWindowControls MainWindow::controls(WindowTimers timers) {
    return MainWindowControls{*this,
                              named<CaptionLabel>("标签13"),
                              named<CaptionLabel>("标签15"),
                              named<CaptionLabel>("标签5"),
                              named<CaptionLabel>("标签22"),
                              named<CaptionLabel>("标签24"),
                              named<CaptionLabel>("标签26"),
                              named<BarChart>("CPU占用图"),
                              named<BarChart>("内存占用图"),
                              named<RadioButton>("单选框3"),
                              named<RadioButton>("单选框4"),
                              named<EditBox>("编辑框1"),
                              named<EditBox>("编辑框2"),
                              named<CaptionLabel>("标签4"),
                              named<CheckBox>("选择框3"),
                              timers.时钟1,
                              timers.时钟2,
                              timers.时钟3};
}

QWidget* MainWindow::control(const std::string& formName) const {
    const auto found = m_controls.find(formName);
    return found == m_controls.end() ? nullptr : found->second;
}

void MainWindow::setVisible(bool visible) {
    if (visible && m_taskbar == TaskbarPresence::OffTaskbar) {
        // Asked before every showing: the desktop forgets the wish when the
        // window is withdrawn.
        platform::keepOffTaskbar(static_cast<std::uint64_t>(winId()));
    }
    if (!visible) m_centredThisShowing = false;
    QWidget::setVisible(visible);
}

void MainWindow::raisePositionChanged() { run(m_events.positionChanged); }

void MainWindow::postPositionChanged() {
    // After the toolkit has finished the change: minimising ends by showing
    // the window, which would undo a hide done from inside it.
    QMetaObject::invokeMethod(this, &MainWindow::raisePositionChanged, Qt::QueuedConnection);
}

void MainWindow::centre() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QMargins frame = frameMarginsNow();
    const QRect outer = frameGeometry();
    const Size outerSize{width() + frame.left() + frame.right(),
                         height() + frame.top() + frame.bottom()};
    const Point origin = centredOrigin({area.width(), area.height()}, outerSize);
    const QPoint target(area.left() + origin.x, area.top() + origin.y);
    m_centredThisShowing = true;
    m_centredWithFrame = frame;
    m_frameWatchTicks = kFrameWatchTicks;
    if (!m_frameWatch.isActive()) m_frameWatch.start();
    if (outer.topLeft() != target) move(target);  // a window's place includes its frame
}

void MainWindow::followFrame() {
    // The window manager frames a shown window some time after it is mapped,
    // and the toolkit learns the frame later still: a centring reckoned
    // with another frame is done again. A user's drag keeps the frame, so it
    // is never undone here.
    if (--m_frameWatchTicks <= 0 || !isVisible()) m_frameWatch.stop();
    fitOuterSize();
    if (m_centredThisShowing && frameMarginsNow() != m_centredWithFrame) centre();
}

QMargins MainWindow::frameMarginsNow() {
    // A withdrawn window has no frame; the one it had comes back with it.
    const QMargins now = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (!now.isNull()) m_knownFrame = now;
    return m_knownFrame;
}

void MainWindow::fitOuterSize() {
    // The outer size is fixed; the client area is what remains inside the
    // desktop's frame, never less than the controls need. The frame is known
    // only once the window manager has framed the window.
    const QMargins frame = frameMarginsNow();
    const QSize client(
        std::max(kWindowOuterSize.width - frame.left() - frame.right(), kControlsExtent.width),
        std::max(kWindowOuterSize.height - frame.top() - frame.bottom(), kControlsExtent.height));
    if (client == size() && minimumSize() == maximumSize()) return;
    setFixedSize(client);
    if (m_centredThisShowing) centre();
}

void MainWindow::startSystemMove() {
    if (m_moveStarter) {
        m_moveStarter();
        return;
    }
    if (QWindow* window = windowHandle()) window->startSystemMove();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    startSystemMove();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    constexpr auto kBlocking = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;
    if (event->key() == Qt::Key_Escape && !(event->modifiers() & kBlocking)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_closed) return;
    m_closed = true;
    run(m_events.willBeDestroyed);
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) postPositionChanged();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    followFrame();
    postPositionChanged();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitOuterSize();
}

}  // namespace qv
