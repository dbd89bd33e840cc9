#pragma once

#include "platform/shell.h"

namespace qv {

/// Message boxes and links on Qt: a modal box with OK only and no icon (the
/// timers keep ticking in its own loop), links through the desktop's URL
/// handlers.
class QtShell final : public platform::Shell {
public:
    void showMessageBox(const Text& text, const Text& caption) override;
    void openUrl(const Text& url) override;
};

}  // namespace qv
