#include "ui/tray.h"

#include <array>

#include "ui/tray_texts.h"

namespace qv {
namespace {

constexpr int kMenuOffset = 5;

constexpr std::array kTrayMenu = {
    TrayMenuItem{texts::kMenuShowWindow, TrayCommand::ShowMainWindow},
    TrayMenuItem{texts::kMenuContact, TrayCommand::OpenContactLink},
    TrayMenuItem{texts::kMenuSeparator, std::nullopt},
    TrayMenuItem{texts::kMenuExit, TrayCommand::ExitProgram},
};

bool isLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

void run(const std::function<void()>& handler) {
    if (handler) handler();
}

}  // namespace

std::optional<TrayAction> trayActionFor(TrayMouse mouse) {
    switch (mouse) {
    case TrayMouse::LeftRelease:
        return TrayAction::LeftClick;
    case TrayMouse::LeftDoubleClick:
        return TrayAction::DoubleClick;
    case TrayMouse::RightRelease:
    case TrayMouse::ContextMenu:
        return TrayAction::RightClick;
    default:
        return std::nullopt;
    }
}

Text cutTrayTip(TextView tip) {
    std::size_t end = 0;
    while (end < tip.size() && tip[end] != '\0') {
        const std::size_t width = isLeadByte(tip[end]) ? 2 : 1;
        if (end + width > kTrayTipLimit) break;
        end += width;
    }
    return Text(tip.substr(0, std::min(end, tip.size())));
}

void TrayEntry::SetTrayIcon(std::span<const std::uint8_t> iconBytes, TextView tip) {
    const std::optional<IconHandle> icon = m_host.makeIcon(iconBytes);
    if (!icon) {
        RemoveTrayIcon();
        return;
    }
    const Text cut = cutTrayTip(tip);
    if (!m_icon) {
        m_host.add(*icon, cut);
    } else {
        m_host.modify(*icon, cut);
        m_host.destroyIcon(*m_icon);
    }
    m_icon = icon;
}

void TrayEntry::RemoveTrayIcon() {
    if (!m_icon) return;
    m_host.remove();
    m_host.destroyIcon(*m_icon);
    m_icon.reset();
}

std::span<const TrayMenuItem> trayMenuItems() { return kTrayMenu; }

Point trayMenuAnchor(Point pointer) { return {pointer.x - kMenuOffset, pointer.y - kMenuOffset}; }

void PopUpTrayMenu(TrayMenuHost& host, const TrayCommandHandlers& handlers) {
    host.bringWindowToFront();
    const std::optional<TrayCommand> chosen =
        host.popUp(trayMenuItems(), trayMenuAnchor(host.pointer()));
    if (!chosen) return;
    switch (*chosen) {
    case TrayCommand::ShowMainWindow:
        run(handlers.showMainWindow);
        return;
    case TrayCommand::OpenContactLink:
        run(handlers.openContactLink);
        return;
    case TrayCommand::ExitProgram:
        run(handlers.exitProgram);
        return;
    }
}

void OnTrayEvent(TrayAction, TrayMenuHost& host, const TrayCommandHandlers& handlers) {
    PopUpTrayMenu(host, handlers);
}

Text contactLink() { return Text(texts::kContactLinkPrefix) + Text(texts::kContactAccount); }

void ExitProgram(TrayEntry& entry, Application& application) {
    entry.RemoveTrayIcon();
    application.endNow(kExitOrderly);
}

}  // namespace qv
