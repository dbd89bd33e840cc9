#include "platform/files.h"

namespace qv::platform {
namespace {

// A platform without files: nothing exists and nothing can be written.
class NoFileSystem final : public FileSystem {
public:
    bool FileExists(TextView) const override { return false; }
    bool WriteFileBytes(TextView, std::span<const ByteSpan>) const override { return false; }
    std::string localPath(TextView path) const override { return std::string(path); }
};

}  // namespace

std::string defaultDriveRoot() { return {}; }

std::unique_ptr<FileSystem> makeFileSystem(std::string) { return std::make_unique<NoFileSystem>(); }

}  // namespace qv::platform
