#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "core/virtual_time.h"
#include "platform/processes.h"
#include "platform/shell.h"

// Platform layers for the long soak in virtual time: they answer like a busy
// machine whose figures wander, and they fail calls at random from one seeded
// generator, so that a run can be repeated exactly. The counters and the
// settings store live in soak_monitor.h and soak_settings.h.

namespace qv::soak {

/// The seeded source of every random choice of the soak.
class Chance {
public:
    explicit Chance(std::uint64_t seed) : m_engine(seed) {}
    /// True with probability `p`.
    bool happens(double p) { return std::bernoulli_distribution(p)(m_engine); }
    /// A whole number in [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(m_engine);
    }
    double fraction() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine); }

private:
    std::mt19937_64 m_engine;
};

/// What the fakes did, for the soak's summary.
struct FaultCounts {
    std::uint64_t processorQueryFailures = 0;
    std::uint64_t enumerationFailures = 0;
    std::uint64_t misreportedCounts = 0;
    std::uint64_t openFailures = 0;
    std::uint64_t trimFailures = 0;
    std::uint64_t settingsWriteFailures = 0;
    std::uint64_t oddMemoryReadings = 0;

    std::uint64_t total() const {
        return processorQueryFailures + enumerationFailures + misreportedCounts + openFailures +
               trimFailures + settingsWriteFailures + oddMemoryReadings;
    }
};

/// Whether odd readings include a total of zero (a failed read of the
/// kernel's figures).
enum class ZeroTotals { Injected, Never };

/// The memory of the simulated machine, shared by the counters and the
/// process layer: a random walk with now and then an odd reading (nothing
/// free, everything free, a total of zero or beyond 32 bits).
class WanderingMemory {
public:
    WanderingMemory(Chance& chance, FaultCounts& faults, ZeroTotals zeroTotals)
        : m_chance(chance), m_faults(faults), m_zeroTotals(zeroTotals) {}

    struct Reading {
        std::uint64_t totalPhys, availPhys, totalVirtual, availVirtual, totalPageFile, availPageFile;
    };

    /// The next reading; every call moves the figures a little.
    Reading read();
    /// A trim gives some memory back.
    void release(std::uint64_t bytes);

private:
    Reading oddReading();

    Chance& m_chance;
    FaultCounts& m_faults;
    ZeroTotals m_zeroTotals;
    std::uint64_t m_total = 8ull << 30;
    std::uint64_t m_available = 3ull << 30;
};

/// A process layer over a changing set of processes whose enumeration, open
/// and trim fail at random. It keeps count of the handles it gave out, so
/// that a pass that forgets to close one is seen.
class FlakyProcesses final : public platform::ProcessApi {
public:
    FlakyProcesses(WanderingMemory& memory, Chance& chance, FaultCounts& faults)
        : m_memory(memory), m_chance(chance), m_faults(faults) {}

    bool EnumProcesses(std::uint32_t* ids, std::uint32_t bufferBytes, std::int32_t* bytesReturned) override;
    platform::PhysicalMemory GlobalMemoryStatus(MEMORYSTATUS& record) override;
    platform::ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t id) override;
    bool SetProcessWorkingSetSize(platform::ProcessHandle handle, std::size_t minimum,
                                  std::size_t maximum) override;
    bool CloseHandle(platform::ProcessHandle handle) override;

    std::int64_t handlesOpen() const { return m_handlesOpen; }
    std::uint64_t trims() const { return m_trims; }
    std::uint64_t badCalls() const { return m_badCalls; }

private:
    void churn();

    WanderingMemory& m_memory;
    Chance& m_chance;
    FaultCounts& m_faults;
    std::vector<std::uint32_t> m_running;
    std::uint32_t m_nextId = 4;
    std::int64_t m_handlesOpen = 0;
    std::uint64_t m_trims = 0;
    std::uint64_t m_badCalls = 0;  // null handle closed, wrong sizes or rights
};

/// A shell that only counts: every message box is closed at once.
class RecordingShell final : public platform::Shell {
public:
    void showMessageBox(const Text& text, const Text& caption) override;
    void openUrl(const Text&) override { ++links; }

    std::uint64_t messages = 0;
    std::uint64_t links = 0;
    std::uint64_t badCaptions = 0;  // boxes not captioned as the program's
    std::uint64_t emptyTexts = 0;
    Text lastText;
};

}  // namespace qv::soak
