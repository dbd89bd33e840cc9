#include "platform/processes.h"

// A platform without processes to trim: nothing is enumerated, every figure
// reads as 0 and no process can be opened.

namespace qv::platform {
namespace {

class NullProcessApi final : public ProcessApi {
public:
    bool EnumProcesses(std::uint32_t*, std::uint32_t, std::int32_t* bytesReturned) override {
        if (bytesReturned == nullptr) return false;
        *bytesReturned = 0;
        return true;
    }
    PhysicalMemory GlobalMemoryStatus(MEMORYSTATUS& record) override {
        record = MEMORYSTATUS{};
        record.dwLength = sizeof(MEMORYSTATUS);
        return {};
    }
    ProcessHandle OpenProcess(std::uint32_t, bool, std::uint32_t) override {
        return kNullProcessHandle;
    }
    bool SetProcessWorkingSetSize(ProcessHandle, std::size_t, std::size_t) override { return false; }
    bool CloseHandle(ProcessHandle) override { return false; }
};

}  // namespace

std::unique_ptr<ProcessApi> makeSystemProcessApi(const std::string&) {
    return std::make_unique<NullProcessApi>();
}

}  // namespace qv::platform
