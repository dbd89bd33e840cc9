// A second copy of the program's settings access, run as a child process by
// the store tests: writes a series of values and reports each one done.
//
//   registry_store_tool <config home> <prefix> <count>   (count -1: until killed)

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/registry.h"
#include "platform/settings_store.h"

namespace {

void report(long index) {
    const std::string line = std::to_string(index) + "\n";
    if (::write(STDOUT_FILENO, line.data(), line.size()) < 0) std::_Exit(3);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <config home> <prefix> <count>\n", argv[0]);
        return 2;
    }
    const std::string prefix = argv[2];
    const long count = std::strtol(argv[3], nullptr, 10);
    auto store = qv::platform::openSettingsStore(argv[1]);
    for (long i = 0; count < 0 || i < count; ++i) {
        // Each item gets a key of its own, so every write also creates keys.
        const std::string path = "Software\\Series\\Group" + std::to_string(i % 7) + "\\" + prefix +
                                 std::to_string(i) + "\\Item";
        if (!qv::WriteRegistryText(*store, 3, path, prefix + "value" + std::to_string(i))) {
            std::fprintf(stderr, "write %ld failed\n", i);
            return 1;
        }
        report(i);
    }
    return 0;
}
