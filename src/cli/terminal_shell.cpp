#include "cli/terminal_shell.h"

#include "platform/codec.h"

namespace qv {

void TerminalShell::showMessageBox(const Text& text, const Text& caption) {
    std::fprintf(stdout, "%s %s\n", platform::gbkToUtf8(caption).c_str(),
                 platform::gbkToUtf8(text).c_str());
}

void TerminalShell::openUrl(const Text& url) {
    std::fprintf(stderr, "quorvelctl: not opening %s without a desktop\n",
                 platform::gbkToUtf8(url).c_str());
}

}  // namespace qv
