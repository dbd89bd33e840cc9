#pragma once

#include <optional>
#include <string>

#include "skin/format/skin_file.h"

namespace qv::skin {

/// The directory (without a trailing slash) of the shared object holding
/// `address`, or empty.
std::string directoryOfModule(const void* address);

/// The skin in the regular file at `path`; nothing when it is missing, not a
/// regular file (so that a pipe or device can never hold the engine up),
/// larger than a skin may be, or not well formed.
std::optional<SkinFile> readSkinFile(const std::string& path);

}  // namespace qv::skin
