#pragma once

#include <cstdint>

// Keeping a top-level window off the desktop's taskbar, for a window that is
// reached through the notification area instead.

namespace qv::platform {

/// Asks the desktop not to list the window (by its native id) on the
/// taskbar. Safe to call before the window is first shown and again each
/// time it is shown; returns false when no desktop session could be asked.
bool keepOffTaskbar(std::uint64_t nativeWindow);

}  // namespace qv::platform
