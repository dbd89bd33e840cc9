#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "core/text.h"

// Files addressed by Windows path texts ("C:\WINDOWS\system32\skinh.she").
// Off Windows the drive "C:\" is a per-user directory; the texts themselves
// stay as the program writes them.

namespace qv::platform {

using ByteSpan = std::span<const std::uint8_t>;

class FileSystem {
public:
    virtual ~FileSystem() = default;
    /// True when anything, file or directory, exists under `path`.
    virtual bool FileExists(TextView path) const = 0;
    /// Creates or truncates `path` (no one else may write it meanwhile) and
    /// writes the blocks in order, skipping empty ones. False for an empty path
    /// or a file that cannot be created (nothing changes then), and false when
    /// a write fails (the file keeps what was written before).
    virtual bool WriteFileBytes(TextView path, std::span<const ByteSpan> blocks) const = 0;
    /// The local path (UTF-8) that `path` stands for, spelled as on disk
    /// where it already exists. Writing creates its missing directories.
    virtual std::string localPath(TextView path) const = 0;
};

/// The directory that stands for drive "C:\": $QUORVEL_DRIVE_C when set, else
/// $XDG_DATA_HOME/Quorvel1.0/drive_c, else ~/.local/share/Quorvel1.0/drive_c.
std::string defaultDriveRoot();

/// The file system with drive "C:\" at `driveRoot` (a local UTF-8 directory,
/// created when first written into). Drive letters match case-insensitively,
/// and so does every part of a path that already exists on disk; backslashes
/// become slashes. Other drive letters live next to it as drive_<letter>.
std::unique_ptr<FileSystem> makeFileSystem(std::string driveRoot);

}  // namespace qv::platform
