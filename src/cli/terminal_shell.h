#pragma once

#include <cstdio>

#include "platform/shell.h"

namespace qv {

/// The shell of the command line: message boxes become lines on standard
/// error; links are not opened.
class TerminalShell final : public platform::Shell {
public:
    void showMessageBox(const Text& text, const Text& caption) override;
    void openUrl(const Text& url) override;
};

}  // namespace qv
