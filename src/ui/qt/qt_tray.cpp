#include "ui/qt/qt_tray.h"

#include <QCursor>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPixmap>

#include "ui/icon_image.h"
#include "ui/qt/widgets.h"

namespace qv {

QIcon iconFromResource(std::span<const std::uint8_t> bytes) {
    QIcon icon;
    for (const IconImage& image : decodeIconResource(bytes)) {
        QImage pixels(image.width, image.height, QImage::Format_ARGB32);
        for (int y = 0; y < image.height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
            for (int x = 0; x < image.width; ++x) row[x] = image.argb[y * image.width + x];
        }
        icon.addPixmap(QPixmap::fromImage(pixels));
    }
    return icon;
}

std::vector<std::uint8_t> programIconBytes() {
    QFile file(QStringLiteral(":/quorvel/quorvel.ico"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

TrayMouse trayMouseFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return TrayMouse::LeftRelease;
    case QSystemTrayIcon::DoubleClick:
        return TrayMouse::LeftDoubleClick;
    case QSystemTrayIcon::Context:
        return TrayMouse::ContextMenu;
    case QSystemTrayIcon::MiddleClick:
        return TrayMouse::MiddleRelease;
    default:
        return TrayMouse::Move;
    }
}

QtTray::QtTray() {
    connect(&m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                const std::optional<TrayAction> action = trayActionFor(trayMouseFor(reason));
                if (action && m_onAction) m_onAction(*action);
            });
}

std::optional<IconHandle> QtTray::makeIcon(std::span<const std::uint8_t> bytes) {
    QIcon icon = iconFromResource(bytes);
    if (icon.isNull()) return std::nullopt;
    const IconHandle handle = m_nextIcon++;
    m_icons.emplace(handle, std::move(icon));
    return handle;
}

void QtTray::add(IconHandle icon, const Text& tip) {
    modify(icon, tip);
    m_tray.show();
}

void QtTray::modify(IconHandle icon, const Text& tip) {
    const auto found = m_icons.find(icon);
    if (found != m_icons.end()) m_tray.setIcon(found->second);
    m_tray.setToolTip(toQString(tip));
}

Point QtTray::pointer() const {
    const QPoint at = QCursor::pos();
    return {at.x(), at.y()};
}

std::optional<TrayCommand> QtTray::popUp(std::span<const TrayMenuItem> items, Point topRight) {
    QMenu menu;
    menu.setObjectName(QStringLiteral("trayMenu"));
    std::map<QAction*, TrayCommand> commands;
    for (const TrayMenuItem& item : items) {
        if (!item.command) {
            menu.addSeparator();
            continue;
        }
        commands.emplace(menu.addAction(toQString(Text(item.caption))), *item.command);
    }
    // Right-aligned: the menu ends where the anchor is; the menu itself keeps
    // on screen.
    const QPoint topLeft(topRight.x - menu.sizeHint().width(), topRight.y);
    QAction* chosen = menu.exec(topLeft);
    const auto found = commands.find(chosen);
    if (found == commands.end()) return std::nullopt;
    return found->second;
}

}  // namespace qv
