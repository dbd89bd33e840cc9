#include "platform/counters.h"

// A system without counters: no version, no extended calls, zero figures, no
// dynamic-data keys, so every figure reads as 0 and the processor as -1.

namespace qv::platform {
namespace {

constexpr std::int32_t kKeyNotFound = 2;

class NullCounters final : public Counters {
public:
    std::optional<OsVersion> getVersionEx(VersionRecord) override { return std::nullopt; }
    GlobalMemoryStatusExEntry findGlobalMemoryStatusEx() override { return {}; }
    NtQuerySystemInformationEntry findNtQuerySystemInformation() override { return {}; }
    void globalMemoryStatus(MEMORYSTATUS& status) override {
        const auto length = status.dwLength;
        status = MEMORYSTATUS{};
        status.dwLength = length;
    }
    void sleep(std::chrono::milliseconds) override {}
    std::int32_t openDynDataKey(TextView, DynDataAccess, DynDataKey&) override { return kKeyNotFound; }
    void queryDynDataValue(DynDataKey, TextView, std::array<std::byte, 4>&) override {}
    void closeDynDataKey(DynDataKey) override {}
};

}  // namespace

std::unique_ptr<Counters> makeSystemCounters(std::string) { return std::make_unique<NullCounters>(); }

}  // namespace qv::platform
