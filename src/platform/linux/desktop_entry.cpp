#include "platform/linux/desktop_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/codec.h"

namespace qv::platform {
namespace {

constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";
constexpr std::string_view kEscapedInQuotes = "\"`$\\";
constexpr std::size_t kLargestEntry = 64 * 1024;

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

bool representable(std::string_view program) {
    for (char c : program) {
        if (isControl(c) && c != '\t' && c != '\n' && c != '\r') return false;
    }
    return !program.empty();
}

std::string quoted(std::string_view program) {
    const bool plain = program.find_first_of(kReservedInExec) == std::string_view::npos;
    if (plain) return std::string(program);
    std::string out = "\"";
    for (char c : program) {
        if (kEscapedInQuotes.find(c) != std::string_view::npos) out += '\\';
        out += c;
    }
    return out + '"';
}

/// The string-value escapes of the file format, applied over the quoting.
std::string escapedValue(std::string_view value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '%': out += "%%"; break;
            default: out += c;
        }
    }
    return out;
}

std::string unescapedValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (const char next = value[++i]) {
            case 's': out += ' '; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            default: out += next;
        }
    }
    return out;
}

/// The first argument of an unescaped Exec value, with quotes and "%%" undone.
std::string firstArgument(std::string_view exec) {
    std::string out;
    std::size_t i = 0;
    const bool inQuotes = !exec.empty() && exec.front() == '"';
    if (inQuotes) ++i;
    for (; i < exec.size(); ++i) {
        const char c = exec[i];
        if (inQuotes && c == '"') break;
        if (!inQuotes && c == ' ') break;
        if (inQuotes && c == '\\' && i + 1 < exec.size()) {
            out += exec[++i];
            continue;
        }
        if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') ++i;
        out += c;
    }
    return out;
}

std::optional<std::string> readSmallFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(kLargestEntry, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool writeFileAtomically(const std::filesystem::path& file, std::string_view contents) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) return false;
    std::string temporary =
        (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    const bool written = writeAll(fd, contents) && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(temporary.c_str(), file.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace

std::optional<std::string> execArgument(std::string_view utf8Program) {
    if (!representable(utf8Program)) return std::nullopt;
    return escapedValue(quoted(utf8Program));
}

std::optional<std::string> desktopEntryText(std::string_view utf8Program) {
    const auto exec = execArgument(utf8Program);
    if (!exec) return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quorvel1.0\n"
           "Comment=Frees physical memory on a timer or above a memory load\n"
           "Exec=" + *exec + "\n"
           "Terminal=false\n";
}

std::optional<std::string> execProgramOf(std::string_view entryText) {
    std::istringstream lines{std::string(entryText)};
    bool inMainGroup = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inMainGroup || equals == std::string::npos) continue;
        const auto keyEnd = line.find_last_not_of(' ', equals - 1);
        if (equals == 0 || line.substr(0, keyEnd + 1) != "Exec") continue;
        const auto valueStart = line.find_first_not_of(' ', equals + 1);
        if (valueStart == std::string::npos) return std::string{};
        return firstArgument(unescapedValue(std::string_view(line).substr(valueStart)));
    }
    return std::nullopt;
}

bool DesktopAutostartEntry::exists() const {
    struct stat status {};
    return ::lstat(m_file.c_str(), &status) == 0;
}

Text DesktopAutostartEntry::program() const {
    const auto text = readSmallFile(m_file);
    if (!text) return {};
    const auto program = execProgramOf(*text);
    return program ? utf8ToGbk(*program) : Text{};
}

bool DesktopAutostartEntry::write(TextView program) {
    const auto contents = desktopEntryText(gbkToUtf8(program));
    return contents && writeFileAtomically(m_file, *contents);
}

bool DesktopAutostartEntry::remove() { return ::unlink(m_file.c_str()) == 0; }

}  // namespace qv::platform
