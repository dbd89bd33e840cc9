#pragma once

#include <cstddef>
#include <span>

// The program's own memory.

namespace qv::platform {

/// Tells the system that the whole pages inside `bytes`, read-only data of
/// the program image, are not needed for now: they leave the resident set
/// and are read back from the program file if touched again. The pages at
/// either end that `bytes` covers only in part stay as they are.
void releaseReadOnlyPages(std::span<const std::byte> bytes);

}  // namespace qv::platform
