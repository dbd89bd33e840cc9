#include "platform/module_path.h"

#include <unistd.h>

#include <string>

#include "platform/codec.h"

namespace qv::platform {
namespace {

constexpr std::size_t kFirstGuess = 256;
constexpr std::size_t kLongestPath = 1 << 16;

}  // namespace

Text executablePath() {
    // readlink truncates silently, so a full buffer means "try a bigger one".
    for (std::size_t size = kFirstGuess; size <= kLongestPath; size *= 2) {
        std::string path(size, '\0');
        const auto length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            return utf8ToGbk(path);
        }
    }
    return {};
}

}  // namespace qv::platform
