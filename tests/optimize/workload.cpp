// A process with known resident memory, for the trim tests and benchmarks:
//   optimize_workload FILE OFFSET_MIB FILE_MIB ANON_MIB [PIECES]
// maps FILE_MIB of FILE from OFFSET_MIB (as PIECES separate mappings, 1 when
// not given) and reads every page, writes every page of ANON_MIB of anonymous
// memory, prints "ready" and waits for its standard input to close.

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kPage = 4096;

void* mapFile(const char* path, std::size_t offset, std::size_t length) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    void* area = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(offset));
    ::close(fd);
    return area == MAP_FAILED ? nullptr : area;
}

std::uint64_t readEveryPage(const void* area, std::size_t length) {
    const auto* bytes = static_cast<const volatile unsigned char*>(area);
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < length; at += kPage) sum += bytes[at];
    return sum;
}

/// Pages of differing content, so that a compressing swap cannot fold them.
bool fillAnonymous(std::size_t length) {
    if (length == 0) return true;
    void* area = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return false;
    auto* words = static_cast<std::uint64_t*>(area);
    std::uint64_t state = 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(::getpid());
    for (std::size_t i = 0; i < length / sizeof(std::uint64_t); i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        words[i] = state;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) return 2;
    const std::size_t offset = std::strtoull(argv[2], nullptr, 10) * kMiB;
    const std::size_t fileBytes = std::strtoull(argv[3], nullptr, 10) * kMiB;
    const std::size_t anonBytes = std::strtoull(argv[4], nullptr, 10) * kMiB;
    const std::size_t pieces = argc == 6 ? std::strtoull(argv[5], nullptr, 10) : 1;
    if (pieces == 0 || fileBytes % (pieces * kPage) != 0) return 2;
    const std::size_t pieceBytes = fileBytes / pieces;
    for (std::size_t piece = 0; fileBytes > 0 && piece < pieces; ++piece) {
        // Each piece lands below the one before, so the kernel cannot merge them.
        const void* area = mapFile(argv[1], offset + piece * pieceBytes, pieceBytes);
        if (area == nullptr) return 3;
        readEveryPage(area, pieceBytes);
    }
    if (!fillAnonymous(anonBytes)) return 4;
    if (::write(STDOUT_FILENO, "ready\n", 6) != 6) return 5;
    char sink[64];
    while (::read(STDIN_FILENO, sink, sizeof sink) > 0) {
    }
    return 0;
}
