#include "ui/qt/window_program.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include "core/texts.h"
#include "platform/settings_store.h"
#include "ui/qt/qt_timer.h"

namespace qv {
namespace {

TrayAvailability trayOfThisDesktop() {
    return QSystemTrayIcon::isSystemTrayAvailable() ? TrayAvailability::Available
                                                    : TrayAvailability::Missing;
}

void callIfSet(const std::function<void()>& handler) {
    if (handler) handler();
}

std::unique_ptr<TimerBackend> qtBackend() { return std::make_unique<QtTimerBackend>(); }

}  // namespace

WindowProgram::WindowProgram(QApplication& app, platform::Shell& shell,
                             std::function<void(Wiring&)> wire)
    : m_shell(shell),
      m_wire(std::move(wire)),
      m_rules(trayOfThisDesktop()),
      m_iconBytes(programIconBytes()),
      m_framework(app, [this] { load(); }),
      m_application(m_framework, m_state) {
    QApplication::setWindowIcon(iconFromResource(m_iconBytes));
}

WindowProgram::~WindowProgram() {
    // The handlers go before the controls they use.
    m_program.reset();
    m_wiring.reset();
    m_entry.reset();
    m_tray.reset();
    m_controls.reset();
    m_window.reset();
}

int WindowProgram::run() { return m_application.run(); }

void WindowProgram::load() {
    // Start-up reads a dozen settings; the store's library is loaded once
    // for all of them and let go when the program settles in the tray.
    const auto settingsHold = platform::holdSettingsStores();
    m_controls = std::make_unique<DeferredMainWindow>(
        qtBackend(), qtBackend(), qtBackend(),
        [this](WindowTimers timers) { return buildWindow(timers); });
    m_tray = std::make_unique<QtTray>();
    m_entry = std::make_unique<TrayEntry>(*m_tray);
    m_wiring = std::make_unique<Wiring>(m_application, m_controls->controls(), m_shell);
    if (m_wire) m_wire(*m_wiring);

    Program::Parts& parts = m_wiring->parts;
    parts.addTrayIcon = [this] { m_entry->SetTrayIcon(m_iconBytes, texts::kTrayTip); };
    parts.openContactLink = [this] { m_shell.openUrl(contactLink()); };
    m_tray->setActionHandler(
        [this](TrayAction action) { OnTrayEvent(action, *m_tray, trayCommands()); });

    m_program = std::make_unique<Program>(m_application, m_controls->controls(), parts);
    m_program->bindTimers();
    m_program->OnMainWindowCreated();
    m_rules.OnPositionChanged(m_controls->window());
    m_rules.afterCreation(m_controls->window());
}

MainWindowControls WindowProgram::buildWindow(WindowTimers timers) {
    const TaskbarPresence taskbar = m_rules.tray() == TrayAvailability::Available
                                        ? TaskbarPresence::OffTaskbar
                                        : TaskbarPresence::Listed;
    m_window = std::make_unique<MainWindow>(taskbar);
    bindWindowEvents();
    return m_window->controls(timers);
}

void WindowProgram::bindWindowEvents() {
    // The handlers see the window through its deferred controls, which by
    // now forward to this window.
    MainWindow::Events events;
    events.positionChanged = [this] { m_rules.OnPositionChanged(m_controls->window()); };
    events.willBeDestroyed = [this] {
        VisibilityRules::OnWillBeDestroyed(m_controls->window());
        m_entry->RemoveTrayIcon();
        m_framework.requestQuit();
    };
    const Program::Parts& parts = m_wiring->parts;
    events.autostartClicked = [autostart = parts.onAutostartClicked] { callIfSet(autostart); };
    events.contactClicked = [contact = parts.openContactLink] { callIfSet(contact); };
    m_window->setEvents(std::move(events));
}

TrayCommandHandlers WindowProgram::trayCommands() {
    return {[this] { VisibilityRules::ShowMainWindow(m_controls->window()); },
            [this] { m_shell.openUrl(contactLink()); },
            [this] { ExitProgram(*m_entry, m_application); }};
}

}  // namespace qv
