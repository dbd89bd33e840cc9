#include "ui/visibility.h"

#include <algorithm>

namespace qv {

Point centredOrigin(Size screen, Size window) {
    return {(screen.width - window.width) / 2, (screen.height - window.height) / 2};
}

std::int32_t readPosition(const WindowStateHost& host) {
    if (host.minimised()) return kPositionMinimised;
    if (host.maximised()) return kPositionMaximised;
    return kPositionNormal;
}

void writePosition(WindowStateHost& host, std::int32_t position) {
    if (!host.shown()) return;
    switch (std::clamp(position, kPositionNormal, kPositionMaximised)) {
    case kPositionNormal:
        host.showNormal();
        return;
    case kPositionRestoreCentred:
        if (host.minimised() || host.maximised()) host.showNormal();
        host.centre();
        return;
    case kPositionMinimised:
        host.showMinimised();
        return;
    default:
        host.showMaximised();
        return;
    }
}

void VisibilityRules::OnPositionChanged(WindowControl& window) const {
    if (m_tray == TrayAvailability::Missing) return;
    if (window.position() == kPositionMinimised) window.setVisible(false);
}

void VisibilityRules::ShowMainWindow(WindowControl& window) {
    window.setVisible(true);
    window.setPosition(kPositionRestoreCentred);
}

void VisibilityRules::OnWillBeDestroyed(WindowControl& window) { window.setVisible(false); }

void VisibilityRules::afterCreation(WindowControl& window) const {
    if (m_tray == TrayAvailability::Missing) ShowMainWindow(window);
}

}  // namespace qv
