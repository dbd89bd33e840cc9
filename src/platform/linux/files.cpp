#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/codec.h"

namespace qv::platform {
namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

bool somethingAt(const std::string& localPath) {
    struct stat info {};
    return ::lstat(localPath.c_str(), &info) == 0;
}

std::vector<std::string> splitComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::string current;
    auto flush = [&] {
        if (current.empty() || current == ".") {
            current.clear();
            return;
        }
        if (current == "..") {
            if (!parts.empty()) parts.pop_back();  // never above the drive's root
        } else {
            parts.push_back(current);
        }
        current.clear();
    };
    for (char c : path) {
        if (c == '\\' || c == '/') {
            flush();
        } else {
            current.push_back(c);
        }
    }
    flush();
    return parts;
}

// The name in `directory` that matches `name` ignoring case; the smallest one
// when several do, so that the choice does not depend on the directory order.
std::optional<std::string> findIgnoringCase(const std::string& directory, std::string_view name) {
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view candidate = entry->d_name;
        if (!equalsIgnoringAsciiCase(candidate, name)) continue;
        if (!found || candidate < *found) found = std::string(candidate);
    }
    ::closedir(dir);
    return found;
}

std::string joinPath(const std::string& directory, std::string_view name) {
    if (directory.empty() || directory.back() == '/') return directory + std::string(name);
    return directory + "/" + std::string(name);
}

std::string parentDirectory(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const auto slash = trimmed.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return trimmed.substr(0, slash);
}

// Walks the parts below `base`, taking the spelling that exists on disk.
std::string resolveBelow(std::string base, const std::vector<std::string>& parts) {
    bool onDisk = true;
    for (const auto& part : parts) {
        if (onDisk && !somethingAt(joinPath(base, part))) {
            const auto spelled = findIgnoringCase(base, part);
            onDisk = spelled.has_value();
            base = joinPath(base, onDisk ? *spelled : part);
        } else {
            base = joinPath(base, part);
        }
    }
    return base;
}

bool makeDirectories(const std::string& directory) {
    if (directory.empty() || somethingAt(directory)) return true;
    if (!makeDirectories(parentDirectory(directory))) return false;
    return ::mkdir(directory.c_str(), 0755) == 0 || errno == EEXIST;
}

// Devices and pipes have nothing to truncate.
bool truncateRegular(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    return !S_ISREG(info.st_mode) || ::ftruncate(fd, 0) == 0;
}

bool writeAll(int fd, ByteSpan block) {
    std::size_t done = 0;
    while (done < block.size()) {
        const ssize_t n = ::write(fd, block.data() + done, block.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

class MappedFileSystem final : public FileSystem {
public:
    explicit MappedFileSystem(std::string driveRoot) : m_driveRoot(std::move(driveRoot)) {}

    bool FileExists(TextView path) const override {
        if (path.empty()) return false;
        return somethingAt(localPath(path));
    }

    bool WriteFileBytes(TextView path, std::span<const ByteSpan> blocks) const override {
        if (path.empty()) return false;
        const std::string local = localPath(path);
        makeDirectories(parentDirectory(local));
        // Opened without truncating, so that a file someone else holds
        // locked keeps its bytes: the lock stands for "no sharing".
        const int fd = ::open(local.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !truncateRegular(fd)) {
            ::close(fd);
            return false;
        }
        bool ok = true;
        for (const auto& block : blocks) {
            if (block.empty()) continue;
            if (!writeAll(fd, block)) {
                ok = false;
                break;
            }
        }
        if (::close(fd) != 0) ok = false;
        return ok;
    }

    std::string localPath(TextView path) const override {
        const std::string utf8 = gbkToUtf8(path);
        if (!hasDriveLetter(utf8)) {
            std::string native = utf8;
            std::replace(native.begin(), native.end(), '\\', '/');
            return native;
        }
        const auto parts = splitComponents(std::string_view(utf8).substr(2));
        return resolveBelow(driveDirectory(utf8[0]), parts);
    }

private:
    static bool hasDriveLetter(std::string_view path) {
        if (path.size() < 2 || path[1] != ':') return false;
        const char letter = asciiLower(path[0]);
        return letter >= 'a' && letter <= 'z';
    }

    std::string driveDirectory(char letter) const {
        const char lower = asciiLower(letter);
        if (lower == 'c') return m_driveRoot;
        return joinPath(parentDirectory(m_driveRoot), std::string("drive_") + lower);
    }

    std::string m_driveRoot;
};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace

std::string defaultDriveRoot() {
    if (auto overridden = environment("QUORVEL_DRIVE_C"); !overridden.empty()) return overridden;
    if (auto data = environment("XDG_DATA_HOME"); !data.empty()) {
        return joinPath(data, "Quorvel1.0/drive_c");
    }
    std::string home = environment("HOME");
    if (home.empty()) home = ".";
    return joinPath(home, ".local/share/Quorvel1.0/drive_c");
}

std::unique_ptr<FileSystem> makeFileSystem(std::string driveRoot) {
    return std::make_unique<MappedFileSystem>(std::move(driveRoot));
}

}  // namespace qv::platform
