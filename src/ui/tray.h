#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "core/application.h"
#include "core/text.h"
#include "ui/visibility.h"

// The program's entry in the notification area and its menu, over small
// host interfaces that the toolkit adapter implements.

namespace qv {

/// The action codes that TrayEvent carries.
enum class TrayAction : std::int32_t { LeftClick = 1, DoubleClick = 2, RightClick = 3 };

/// Mouse activity on the icon as the desktop reports it.
enum class TrayMouse {
    Move,
    LeftPress,
    LeftRelease,
    LeftDoubleClick,
    RightPress,
    RightRelease,
    ContextMenu,
    MiddlePress,
    MiddleRelease,
};

/// The action code for a mouse message; none for moves and presses.
std::optional<TrayAction> trayActionFor(TrayMouse mouse);

/// The tip field holds 62 bytes of text; a two-byte character that the cut
/// would split is dropped whole rather than left as a stray lead byte.
inline constexpr std::size_t kTrayTipLimit = 62;
Text cutTrayTip(TextView tip);

using IconHandle = std::uint32_t;

/// What the entry needs of the desktop's notification area.
class TrayHost {
public:
    virtual ~TrayHost() = default;
    /// An icon made from icon-resource bytes, or none when they hold no
    /// usable image.
    virtual std::optional<IconHandle> makeIcon(std::span<const std::uint8_t> bytes) = 0;
    virtual void destroyIcon(IconHandle icon) = 0;
    virtual void add(IconHandle icon, const Text& tip) = 0;
    virtual void modify(IconHandle icon, const Text& tip) = 0;
    virtual void remove() = 0;
};

/// The one entry of the program; it holds at most one icon at a time.
class TrayEntry {
public:
    explicit TrayEntry(TrayHost& host) : m_host(host) {}

    /// Adds the entry, or changes it if it shows an icon already (then
    /// releasing the old icon); bytes without a usable image remove it.
    void SetTrayIcon(std::span<const std::uint8_t> iconBytes, TextView tip);
    /// Removes the entry if it shows an icon; otherwise does nothing.
    void RemoveTrayIcon();

    std::optional<IconHandle> icon() const { return m_icon; }

private:
    TrayHost& m_host;
    std::optional<IconHandle> m_icon;
};

enum class TrayCommand { ShowMainWindow, OpenContactLink, ExitProgram };

struct TrayMenuItem {
    std::string_view caption;  // GBK; "-" is a separator line
    std::optional<TrayCommand> command;
};

/// The four sub-items of the window's hidden menu, in order.
std::span<const TrayMenuItem> trayMenuItems();

/// The menu's top-right corner for a pointer at `pointer`.
Point trayMenuAnchor(Point pointer);

/// What the tray menu needs of the desktop.
class TrayMenuHost {
public:
    virtual ~TrayMenuHost() = default;
    virtual Point pointer() const = 0;
    /// Lets the menu close when the user clicks elsewhere.
    virtual void bringWindowToFront() = 0;
    /// Shows the items right-aligned at `topRight` (the desktop keeps the
    /// menu on screen) and returns when the menu closes, with the chosen
    /// command if any.
    virtual std::optional<TrayCommand> popUp(std::span<const TrayMenuItem> items,
                                             Point topRight) = 0;
};

struct TrayCommandHandlers {
    std::function<void()> showMainWindow;
    std::function<void()> openContactLink;
    std::function<void()> exitProgram;
};

/// Shows the menu at the pointer and runs the chosen command once it has
/// closed.
void PopUpTrayMenu(TrayMenuHost& host, const TrayCommandHandlers& handlers);

/// Every action code opens the same menu.
void OnTrayEvent(TrayAction action, TrayMenuHost& host, const TrayCommandHandlers& handlers);

/// "tencent://Message/?Uin=" and the author's account number.
Text contactLink();

/// The exit command: the icon goes, then the orderly end at once.
[[noreturn]] void ExitProgram(TrayEntry& entry, Application& application);

}  // namespace qv
