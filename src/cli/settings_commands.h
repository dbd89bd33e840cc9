#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The settings commands of quorvelctl: the store through the program's own
// four operations, plus a listing; and the autostart entry through the
// check box's own handler.

namespace qv::cli {

struct RegCommand {
    enum class Action { Get, Set, Delete, List };
    Action action = Action::Get;
    std::string root;  // 1..5 or a root's name
    std::string path;  // UTF-8
    std::optional<std::int64_t> dword;
    std::optional<std::string> text;  // UTF-8
};

/// Runs a reg command; returns the exit code.
int runReg(const RegCommand& command);

enum class AutostartAction { On, Off, Status };

/// Runs an autostart command for the window program `program` (the full
/// path the entry names); returns the exit code.
int runAutostart(AutostartAction action, const std::string& program);

/// Root number of "1".."5", "HKCR", "HKEY_CURRENT_USER" and the like.
std::optional<std::int32_t> parseRoot(const std::string& text);

}  // namespace qv::cli
