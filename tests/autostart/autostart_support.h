#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/shell.h"
#include "registry/store_support.h"

namespace qv::test {

/// The desktop shell, recording every message box instead of showing it.
class RecordingShell final : public platform::Shell {
public:
    void showMessageBox(const Text& text, const Text& caption) override {
        boxes.emplace_back(text, caption);
    }
    void openUrl(const Text&) override {}

    std::vector<std::pair<Text, Text>> boxes;
};

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

inline void writeFile(const std::filesystem::path& file, std::string_view contents) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << contents;
}

inline const char* kDesktopFileValidate = "/usr/bin/desktop-file-validate";

/// Runs desktop-file-validate on a file: its exit code and what it printed.
inline std::pair<int, std::string> validateDesktopFile(const std::filesystem::path& file) {
    ChildProcess validator({kDesktopFileValidate, file.string()});
    std::string printed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{60};
    while (const auto line = validator.readLine(deadline)) printed += *line + "\n";
    return {validator.waitForExit(), printed};
}

/// While alive, this thread is refused what file permissions refuse, even
/// as root: the capabilities that override them are out of its effective set.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0) return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        const unsigned overrides =
            (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
        reduced[0].effective &= ~overrides;
        m_active = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutPermissionOverride() {
        if (m_active) ::syscall(SYS_capset, &m_header, m_saved);
    }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

    bool active() const { return m_active; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};

}  // namespace qv::test
