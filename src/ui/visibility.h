#pragma once

#include <cstdint>

#include "ui/controls.h"
#include "ui/window_template.h"

// When the main window is on screen: hidden at start, hidden again when
// minimised, brought back restored and centred from the tray, and the
// meaning of the window's Position property.

namespace qv {

inline constexpr std::int32_t kPositionNormal = 0;
inline constexpr std::int32_t kPositionRestoreCentred = 1;
inline constexpr std::int32_t kPositionMinimised = 2;
inline constexpr std::int32_t kPositionMaximised = 3;

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

/// The top-left corner that centres a window of `window` outer size on a
/// screen of `screen` size; each quotient is truncated toward zero, so a
/// window larger than the screen gets a negative place.
Point centredOrigin(Size screen, Size window);

/// What the Position property needs of a real window.
class WindowStateHost {
public:
    virtual ~WindowStateHost() = default;
    virtual bool shown() const = 0;
    virtual bool minimised() const = 0;
    virtual bool maximised() const = 0;
    virtual void showNormal() = 0;
    virtual void showMinimised() = 0;
    virtual void showMaximised() = 0;
    /// Moves the outer rectangle to centredOrigin(), only if that differs
    /// from where it is, without activating the window.
    virtual void centre() = 0;
};

/// 2 while minimised, 3 while maximised, 0 otherwise.
std::int32_t readPosition(const WindowStateHost& host);
/// Clamped into 0..3 and ignored while the window is hidden; 1 restores a
/// minimised or maximised window and then centres it.
void writePosition(WindowStateHost& host, std::int32_t position);

/// Whether the desktop has a notification area to hold our icon.
enum class TrayAvailability { Available, Missing };

/// The visibility handlers of the main window.
class VisibilityRules {
public:
    explicit VisibilityRules(TrayAvailability tray) : m_tray(tray) {}

    /// A minimised window leaves the screen for the tray. Without a tray it
    /// stays minimised where the desktop shows it, or it could never return.
    void OnPositionChanged(WindowControl& window) const;
    /// Shows the window, then restores and centres it; the order matters, as
    /// Position acts on a visible window only.
    static void ShowMainWindow(WindowControl& window);
    static void OnWillBeDestroyed(WindowControl& window);
    /// After the creation handler: without a tray the window must be shown,
    /// or the program would run invisible and unreachable.
    void afterCreation(WindowControl& window) const;

    TrayAvailability tray() const { return m_tray; }

private:
    TrayAvailability m_tray;
};

}  // namespace qv
