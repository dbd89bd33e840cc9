#include "ui/qt/window_program.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include "core/texts.h"

namespace qv {
namespace {

TrayAvailability trayOfThisDesktop() {
    return QSystemTrayIcon::isSystemTrayAvailable() ? TrayAvailability::Available
                                                    : TrayAvailability::Missing;
}

void callIfSet(const std::function<void()>& handler) {
    if (handler) handler();
}

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
    m_window.reset();
}

int WindowProgram::run() { return m_application.run(); }

void WindowProgram::load() {
    const TaskbarPresence taskbar = m_rules.tray() == TrayAvailability::Available
                                        ? TaskbarPresence::OffTaskbar
                                        : TaskbarPresence::Listed;
    m_window = std::make_unique<MainWindow>(taskbar);
    m_tray = std::make_unique<QtTray>();
    m_entry = std::make_unique<TrayEntry>(*m_tray);
    m_wiring = std::make_unique<Wiring>(m_application, m_window->controls(), m_shell);
    if (m_wire) m_wire(*m_wiring);

    Program::Parts& parts = m_wiring->parts;
    parts.addTrayIcon = [this] { m_entry->SetTrayIcon(m_iconBytes, texts::kTrayTip); };
    parts.openContactLink = [this] { m_shell.openUrl(contactLink()); };
    bindWindowEvents(parts);
    m_tray->setActionHandler(
        [this](TrayAction action) { OnTrayEvent(action, *m_tray, trayCommands()); });

    m_program = std::make_unique<Program>(m_application, m_window->controls(), parts);
    m_program->bindTimers();
    m_program->OnMainWindowCreated();
    m_window->raisePositionChanged();
    m_rules.afterCreation(*m_window);
}

void WindowProgram::bindWindowEvents(const Program::Parts& parts) {
    MainWindow::Events events;
    events.positionChanged = [this] { m_rules.OnPositionChanged(*m_window); };
    events.willBeDestroyed = [this] {
        VisibilityRules::OnWillBeDestroyed(*m_window);
        m_entry->RemoveTrayIcon();
        m_framework.requestQuit();
    };
    events.autostartClicked = [autostart = parts.onAutostartClicked] { callIfSet(autostart); };
    events.contactClicked = [contact = parts.openContactLink] { callIfSet(contact); };
    m_window->setEvents(std::move(events));
}

TrayCommandHandlers WindowProgram::trayCommands() {
    return {[this] { VisibilityRules::ShowMainWindow(*m_window); },
            [this] { m_shell.openUrl(contactLink()); },
            [this] { ExitProgram(*m_entry, m_application); }};
}

}  // namespace qv
