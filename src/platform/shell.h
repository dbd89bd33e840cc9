#pragma once

#include "core/text.h"

namespace qv::platform {

/// The desktop shell: message boxes and opening links.
class Shell {
public:
    virtual ~Shell() = default;
    /// A modal box with an OK button only and no icon; returns when the user
    /// closes it. Timers keep ticking meanwhile.
    virtual void showMessageBox(const Text& text, const Text& caption) = 0;
    /// Hands a link to the desktop's handler for its scheme; nothing is shown
    /// when none is registered.
    virtual void openUrl(const Text& url) = 0;
};

}  // namespace qv::platform
