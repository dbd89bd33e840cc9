#include "platform/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace qv::platform {

void releaseReadOnlyPages(std::span<const std::byte> bytes) {
    if (bytes.empty()) return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(bytes.data());
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t end = (begin + bytes.size()) / page * page;
    if (end <= first) return;
    // Clean pages of a file mapping: dropping them loses nothing, and a later
    // read faults them back in from the file.
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
}

}  // namespace qv::platform
