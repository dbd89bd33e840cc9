#include "platform/memory.h"

// Without a way to tell the system, the pages simply stay.

namespace qv::platform {

void releaseReadOnlyPages(std::span<const std::byte>) {}

}  // namespace qv::platform
