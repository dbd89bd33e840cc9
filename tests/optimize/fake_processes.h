#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace qv::test {

/// A process layer under the test's control: the processes it lists, the
/// memory figures of each reading in turn, the processes that cannot be
/// opened; every call is logged.
class FakeProcesses final : public platform::ProcessApi {
public:
    std::vector<std::uint32_t> running;
    std::vector<platform::PhysicalMemory> readings;  // one per call, the last repeats
    std::set<std::uint32_t> unopenable;
    bool enumerationFails = false;
    std::optional<std::int32_t> reportedBytes;  // a layer that misreports its count
    std::vector<std::string> log;

    bool EnumProcesses(std::uint32_t* ids, std::uint32_t bufferBytes,
                       std::int32_t* bytesReturned) override {
        log.push_back("enumerate");
        if (enumerationFails) return false;
        const std::size_t fits = std::min<std::size_t>(running.size(), bufferBytes / 4);
        std::copy_n(running.begin(), fits, ids);
        *bytesReturned = reportedBytes.value_or(static_cast<std::int32_t>(4 * fits));
        return true;
    }

    platform::PhysicalMemory GlobalMemoryStatus(MEMORYSTATUS& record) override {
        log.push_back("memory");
        const auto reading = readings.empty() ? platform::PhysicalMemory{}
                                              : readings[std::min(m_reading++, readings.size() - 1)];
        record = MEMORYSTATUS{};
        record.dwLength = sizeof(MEMORYSTATUS);
        record.dwTotalPhys = saturate(reading.totalBytes);
        record.dwAvailPhys = saturate(reading.availableBytes);
        return reading;
    }

    platform::ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t id) override {
        log.push_back("open " + std::to_string(id) + (access == platform::kProcessAllAccess ? "" : " ?access") +
                      (inherit ? " inherit" : ""));
        if (unopenable.count(id)) return platform::kNullProcessHandle;
        return platform::ProcessHandle{id + 1000u};
    }

    bool SetProcessWorkingSetSize(platform::ProcessHandle handle, std::size_t minimum,
                                  std::size_t maximum) override {
        const bool whole = minimum == platform::kTrimWholeWorkingSet &&
                           maximum == platform::kTrimWholeWorkingSet;
        log.push_back("trim " + name(handle) + (whole ? "" : " ?sizes"));
        return handle != platform::kNullProcessHandle;
    }

    bool CloseHandle(platform::ProcessHandle handle) override {
        log.push_back("close " + name(handle));
        return handle != platform::kNullProcessHandle;
    }

    std::size_t opens() const {
        return static_cast<std::size_t>(std::count_if(
            log.begin(), log.end(), [](const std::string& s) { return s.starts_with("open "); }));
    }

private:
    static std::uint32_t saturate(std::uint64_t v) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFFFFFFu));
    }
    static std::string name(platform::ProcessHandle handle) {
        if (handle == platform::kNullProcessHandle) return "null";
        return std::to_string(static_cast<std::uint64_t>(handle) - 1000u);
    }
    std::size_t m_reading = 0;
};

}  // namespace qv::test
