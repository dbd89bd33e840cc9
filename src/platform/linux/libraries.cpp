#include "platform/libraries.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <string_view>

#include "core/text.h"
#include "platform/codec.h"
#include "platform/files.h"

namespace qv::platform {
namespace {

// The system directories of the standard order, before the dynamic loader's
// own search: the loader does not know the mapped drive.
constexpr std::array<std::string_view, 2> kSystemDirectories = {
    "C:\\WINDOWS\\system32\\",
    "C:\\WINDOWS\\",
};

// A backslash inside a two-byte GBK character is not a separator.
bool hasDirectoryPart(TextView name) {
    if (name.size() >= 2 && name[1] == ':') return true;
    return name.find('/') != TextView::npos || findLastBackslash(name) != TextView::npos;
}

ModuleHandle openAt(const std::string& localPath) {
    if (localPath.empty()) return nullptr;
    return ::dlopen(localPath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

class DynamicLibraries final : public Libraries {
public:
    explicit DynamicLibraries(std::string driveRoot) : m_files(makeFileSystem(std::move(driveRoot))) {}

    ModuleHandle loadLibrary(TextView name) override {
        if (name.empty()) return nullptr;
        if (hasDirectoryPart(name)) return openAt(m_files->localPath(name));
        for (const auto directory : kSystemDirectories) {
            Text candidate(directory);
            candidate.append(name);
            if (!m_files->FileExists(candidate)) continue;
            if (auto module = openAt(m_files->localPath(candidate))) return module;
        }
        return ::dlopen(gbkToUtf8(name).c_str(), RTLD_NOW | RTLD_LOCAL);
    }

    ModuleHandle standardLibraries() override { return ::dlopen(nullptr, RTLD_NOW); }

    void* findFunction(ModuleHandle module, TextView name) override {
        if (!module || name.empty()) return nullptr;
        return ::dlsym(module, std::string(name).c_str());
    }

    void releaseLibrary(ModuleHandle module) override {
        if (module) ::dlclose(module);
    }

    Text programDirectory() const override {
        std::array<char, 4096> buffer{};
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
        if (n <= 0) return {};
        std::string path(buffer.data(), static_cast<std::size_t>(n));
        const auto slash = path.rfind('/');
        if (slash == std::string::npos) return {};
        return utf8ToGbk(path.substr(0, slash == 0 ? 1 : slash));
    }

private:
    std::unique_ptr<FileSystem> m_files;
};

}  // namespace

std::unique_ptr<Libraries> makeLibraries(std::string driveRoot) {
    return std::make_unique<DynamicLibraries>(std::move(driveRoot));
}

}  // namespace qv::platform
