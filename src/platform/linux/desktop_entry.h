#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/text.h"

// The XDG autostart entry that starts the program at login: a desktop entry
// file in the user's autostart folder whose Exec line names the program.

namespace qv::platform {

/// The program path as one argument of an Exec line, in the file's own
/// escaping: quoted when it holds a blank or a reserved character, with the
/// escapes the desktop entry format asks for inside quotes and in string
/// values, and "%" doubled. nullopt for an empty path or one holding a control
/// character that a desktop entry cannot carry.
std::optional<std::string> execArgument(std::string_view utf8Program);

/// The whole entry for a program path (UTF-8); nullopt as for execArgument.
std::optional<std::string> desktopEntryText(std::string_view utf8Program);

/// The program named by the Exec line of an entry's text, undoing the
/// escapes; nullopt when there is no Exec line in the main group.
std::optional<std::string> execProgramOf(std::string_view entryText);

/// One entry file. Its presence is the autostart state, whatever it holds.
class DesktopAutostartEntry {
public:
    explicit DesktopAutostartEntry(std::filesystem::path file) : m_file(std::move(file)) {}

    /// True when anything is at the entry's path.
    bool exists() const;
    /// The program the entry starts (GBK); empty when it names none.
    Text program() const;
    /// Writes the entry for the program (GBK) through a temporary file in the
    /// same folder, renamed over the entry, so that no reader sees half of it.
    bool write(TextView program);
    /// True when an entry was there and is gone.
    bool remove();

    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_file;
};

}  // namespace qv::platform
