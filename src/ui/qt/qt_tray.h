#pragma once

#include <functional>
#include <map>
#include <vector>

#include <QIcon>
#include <QSystemTrayIcon>

#include "ui/tray.h"

namespace qv {

/// The notification area and the tray menu on Qt: one QSystemTrayIcon, and
/// a pop-up menu built from the items each time it opens.
class QtTray final : public QObject, public TrayHost, public TrayMenuHost {
    Q_OBJECT
public:
    QtTray();

    /// Runs for every mouse action that carries an action code.
    void setActionHandler(std::function<void(TrayAction)> handler) { m_onAction = std::move(handler); }

    std::optional<IconHandle> makeIcon(std::span<const std::uint8_t> bytes) override;
    void destroyIcon(IconHandle icon) override { m_icons.erase(icon); }
    void add(IconHandle icon, const Text& tip) override;
    void modify(IconHandle icon, const Text& tip) override;
    void remove() override { m_tray.hide(); }

    Point pointer() const override;
    void bringWindowToFront() override {}
    std::optional<TrayCommand> popUp(std::span<const TrayMenuItem> items, Point topRight) override;

    const QSystemTrayIcon& trayIcon() const { return m_tray; }
    std::size_t iconCount() const { return m_icons.size(); }

private:
    QSystemTrayIcon m_tray;
    std::map<IconHandle, QIcon> m_icons;
    IconHandle m_nextIcon = 1;
    std::function<void(TrayAction)> m_onAction;
};

/// The icon images of icon-resource bytes; an empty icon when none is usable.
QIcon iconFromResource(std::span<const std::uint8_t> bytes);

/// The program's own icon resource, as built into the executable.
std::vector<std::uint8_t> programIconBytes();

TrayMouse trayMouseFor(QSystemTrayIcon::ActivationReason reason);

}  // namespace qv
