#include "platform/libraries.h"

namespace qv::platform {
namespace {

// A platform that loads nothing.
class NoLibraries final : public Libraries {
public:
    ModuleHandle loadLibrary(TextView) override { return nullptr; }
    ModuleHandle standardLibraries() override { return nullptr; }
    void* findFunction(ModuleHandle, TextView) override { return nullptr; }
    void releaseLibrary(ModuleHandle) override {}
    Text programDirectory() const override { return {}; }
};

}  // namespace

std::unique_ptr<Libraries> makeLibraries(std::string) { return std::make_unique<NoLibraries>(); }

}  // namespace qv::platform
