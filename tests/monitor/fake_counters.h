#pragma once

#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/virtual_time.h"
#include "monitor/sampler.h"
#include "platform/counters.h"

namespace qv::test {

/// Counters under the test's control: version answers, memory records, a
/// script of processor samples handed out one per (time, idle) query pair,
/// failing classes, and a log of the calls the sampler made.
class FakeCounters final : public platform::Counters {
public:
    std::optional<platform::OsVersion> extendedVersion = platform::OsVersion{10, 0, platform::kPlatformNt};
    std::optional<platform::OsVersion> basicVersion = platform::OsVersion{10, 0, platform::kPlatformNt};
    bool hasMemoryStatusEx = true;
    bool hasNtQuery = true;

    /// The extended record of each call in turn; the last repeats.
    std::vector<platform::MEMORYSTATUSEX> extendedRecords{platform::MEMORYSTATUSEX{}};
    MEMORYSTATUS plainRecord;

    std::uint8_t processors = 2;
    std::vector<CpuSample> samples;  // handed out in order; the last repeats
    std::set<platform::SystemInformationClass> failingClasses;
    /// Number of successful samples after which every class fails.
    std::optional<std::size_t> failAfterSamples;

    std::map<std::string, std::int32_t> keyOpenResults;  // absent: opens
    std::uint32_t statDataValue = 0;

    VirtualEventLoop* loop = nullptr;  // sleeps consume its time when set

    // what the sampler did
    std::vector<std::string> log;
    std::vector<std::chrono::milliseconds> sleeps;
    std::vector<std::uint32_t> extendedLengths, plainLengths;
    int versionCalls = 0;
    std::size_t samplesTaken = 0;

    std::optional<platform::OsVersion> getVersionEx(platform::VersionRecord record) override {
        ++versionCalls;
        const bool extended = record == platform::VersionRecord::Extended;
        log.push_back(extended ? "version 156" : "version 148");
        return extended ? extendedVersion : basicVersion;
    }

    platform::GlobalMemoryStatusExEntry findGlobalMemoryStatusEx() override {
        log.push_back("find GlobalMemoryStatusEx");
        if (!hasMemoryStatusEx) return {};
        return [this](platform::MEMORYSTATUSEX& status) {
            extendedLengths.push_back(status.dwLength);
            const auto index = std::min(extendedLengths.size() - 1, extendedRecords.size() - 1);
            const auto length = status.dwLength;
            status = extendedRecords[index];
            status.dwLength = length;
        };
    }

    platform::NtQuerySystemInformationEntry findNtQuerySystemInformation() override {
        log.push_back("find NtQuerySystemInformation");
        if (!hasNtQuery) return {};
        return [this](platform::SystemInformationClass infoClass, std::span<std::byte> buffer) {
            return query(infoClass, buffer);
        };
    }

    void globalMemoryStatus(MEMORYSTATUS& status) override {
        plainLengths.push_back(status.dwLength);
        const auto length = status.dwLength;
        status = plainRecord;
        status.dwLength = length;
    }

    void sleep(std::chrono::milliseconds duration) override {
        sleeps.push_back(duration);
        log.push_back("sleep " + std::to_string(duration.count()));
        if (loop) loop->consume(duration);
    }

    std::int32_t openDynDataKey(TextView subKey, platform::DynDataAccess access,
                                platform::DynDataKey& key) override {
        const std::string name(subKey);
        log.push_back("open " + name + (access == platform::DynDataAccess::Read ? " read" : " all"));
        const auto found = keyOpenResults.find(name);
        if (found != keyOpenResults.end() && found->second != 0) return found->second;
        key = ++m_lastKey;
        m_keyNames[key] = name;
        return 0;
    }

    void queryDynDataValue(platform::DynDataKey key, TextView valueName,
                           std::array<std::byte, 4>& buffer) override {
        log.push_back("query " + m_keyNames[key] + " " + std::string(valueName));
        if (m_keyNames[key] == "PerfStats\\StatData") std::memcpy(buffer.data(), &statDataValue, 4);
    }

    void closeDynDataKey(platform::DynDataKey key) override { log.push_back("close " + m_keyNames[key]); }

private:
    std::int32_t query(platform::SystemInformationClass infoClass, std::span<std::byte> buffer) {
        using platform::SystemInformationClass;
        const bool exhausted = failAfterSamples && samplesTaken >= *failAfterSamples;
        if (failingClasses.count(infoClass) || exhausted) return -1;
        const CpuSample sample = samples.empty() ? CpuSample{} : samples[std::min(m_next, samples.size() - 1)];
        switch (infoClass) {
            case SystemInformationClass::Basic:
                if (buffer.size() != platform::kBasicInformationBytes) return -2;
                buffer[platform::kProcessorCountOffset] = static_cast<std::byte>(processors);
                return 0;
            case SystemInformationClass::TimeOfDay:
                if (buffer.size() != platform::kTimeOfDayInformationBytes) return -2;
                std::memcpy(buffer.data() + platform::kCurrentTimeOffset, &sample.systemTime, 8);
                m_timeRead = true;
                return 0;
            case SystemInformationClass::Performance:
                if (buffer.size() != platform::kPerformanceInformationBytes || !m_timeRead) return -2;
                std::memcpy(buffer.data() + platform::kIdleTimeOffset, &sample.idleTime, 8);
                m_timeRead = false;
                ++m_next;
                ++samplesTaken;
                return 0;
        }
        return -1;
    }

    std::size_t m_next = 0;
    bool m_timeRead = false;
    platform::DynDataKey m_lastKey = 0;
    std::map<platform::DynDataKey, std::string> m_keyNames;
};

inline constexpr std::uint64_t kMiB = 1024 * 1024;

}  // namespace qv::test
