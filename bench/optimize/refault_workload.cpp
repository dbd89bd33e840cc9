// A process that maps and reads FILE_MIB of FILE and writes ANON_MIB of
// anonymous memory, prints "ready", then on every "t" line it reads touches
// all of that memory again and prints "touched NS MINOR MAJOR": the time it
// took and the page faults it cost. Ends when its standard input closes.
//   refault_workload FILE OFFSET_MIB FILE_MIB ANON_MIB

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kPage = 4096;

std::uint64_t touch(volatile unsigned char* area, std::size_t length, bool write) {
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < length; at += kPage) {
        sum += area[at];
        if (write) area[at] = static_cast<unsigned char>(sum);
    }
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const std::size_t offset = std::strtoull(argv[2], nullptr, 10) * kMiB;
    const std::size_t fileBytes = std::strtoull(argv[3], nullptr, 10) * kMiB;
    const std::size_t anonBytes = std::strtoull(argv[4], nullptr, 10) * kMiB;
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 3;
    void* file = ::mmap(nullptr, fileBytes, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(offset));
    ::close(fd);
    void* anon = ::mmap(nullptr, anonBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (file == MAP_FAILED || anon == MAP_FAILED) return 4;
    auto* fileArea = static_cast<volatile unsigned char*>(file);
    auto* anonArea = static_cast<volatile unsigned char*>(anon);
    touch(fileArea, fileBytes, false);
    touch(anonArea, anonBytes, true);
    std::printf("ready\n");
    std::fflush(stdout);

    char command[8];
    while (std::fgets(command, sizeof command, stdin)) {
        rusage before{};
        rusage after{};
        ::getrusage(RUSAGE_SELF, &before);
        const auto start = std::chrono::steady_clock::now();
        touch(fileArea, fileBytes, false);
        touch(anonArea, anonBytes, true);
        const auto took = std::chrono::steady_clock::now() - start;
        ::getrusage(RUSAGE_SELF, &after);
        std::printf("touched %lld %ld %ld\n",
                    static_cast<long long>(std::chrono::nanoseconds(took).count()),
                    after.ru_minflt - before.ru_minflt, after.ru_majflt - before.ru_majflt);
        std::fflush(stdout);
    }
    return 0;
}
