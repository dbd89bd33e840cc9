#pragma once

#include <optional>
#include <vector>

#include "core/text.h"

// Name rules of the settings store: key and value names compare without
// regard to ASCII case, and key paths are names joined by backslashes.

namespace qv {

/// The comparison form of a key or value name: ASCII letters that are
/// characters of their own in lower case; two-byte characters unchanged, even
/// when their second byte happens to be an ASCII letter.
Text foldRegistryName(TextView name);

/// The names of a key path, split at the backslashes that are characters of
/// their own. The empty path is the root itself (no names). A path with an
/// empty name (leading, trailing or doubled backslash) has no meaning:
/// nullopt.
std::optional<std::vector<Text>> splitKeyPath(TextView path);

/// The names joined by single backslashes.
Text joinKeyPath(const std::vector<Text>& names, std::size_t count);

/// A text up to its first zero byte, as the store's callers hand texts on.
TextView untilZero(TextView text);

}  // namespace qv
