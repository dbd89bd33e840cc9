#include "cli/trim_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/external_functions.h"
#include "cli/headless.h"
#include "optimize/trim_pass.h"
#include "platform/codec.h"
#include "platform/process_info.h"
#include "ui/plain_controls.h"

namespace qv::cli {
namespace {

using platform::ProcessHandle;
using platform::ProcessSample;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

/// What the pass did to one process, as the report tells it.
struct Visit {
    std::uint32_t pid = 0;
    std::optional<ProcessSample> before;
    std::optional<ProcessSample> after;
    bool opened = false;
    bool trimmed = false;
};

std::string outcome(const Visit& v) {
    if (!v.before) return "gone";
    if (v.before->kernelThread) return "kernel thread";
    if (!v.after) return "gone";
    if (!v.opened || !v.trimmed) return "refused: no permission";
    return "trimmed";
}

/// The real process layer, watched: the pass runs unchanged on it while each
/// process is sampled right before and right after its turn. With a list of
/// identifiers the enumeration yields those instead of every process.
class ObservedProcesses final : public platform::ProcessApi {
public:
    ObservedProcesses(platform::ProcessApi& inner, std::vector<std::uint32_t> only)
        : m_inner(inner), m_only(std::move(only)) {}

    bool EnumProcesses(std::uint32_t* ids, std::uint32_t bufferBytes,
                       std::int32_t* bytesReturned) override {
        if (m_only.empty()) return m_inner.EnumProcesses(ids, bufferBytes, bytesReturned);
        const std::size_t n = std::min<std::size_t>(m_only.size(), bufferBytes / 4);
        std::copy_n(m_only.begin(), n, ids);
        *bytesReturned = static_cast<std::int32_t>(4 * n);
        return true;
    }
    platform::PhysicalMemory GlobalMemoryStatus(MEMORYSTATUS& record) override {
        return m_inner.GlobalMemoryStatus(record);
    }
    ProcessHandle OpenProcess(std::uint32_t access, bool inherit, std::uint32_t pid) override {
        Visit visit;
        visit.pid = pid;
        visit.before = platform::sampleProcess(pid);
        const ProcessHandle handle = m_inner.OpenProcess(access, inherit, pid);
        visit.opened = handle != platform::kNullProcessHandle;
        visits.push_back(std::move(visit));
        return handle;
    }
    bool SetProcessWorkingSetSize(ProcessHandle process, std::size_t minimum,
                                  std::size_t maximum) override {
        const bool trimmed = m_inner.SetProcessWorkingSetSize(process, minimum, maximum);
        if (!visits.empty()) visits.back().trimmed = trimmed;
        return trimmed;
    }
    bool CloseHandle(ProcessHandle handle) override {
        const bool closed = m_inner.CloseHandle(handle);
        if (!visits.empty()) visits.back().after = platform::sampleProcess(visits.back().pid);
        return closed;
    }

    std::vector<Visit> visits;

private:
    platform::ProcessApi& m_inner;
    std::vector<std::uint32_t> m_only;
};

std::uint64_t rssOf(const std::optional<ProcessSample>& s) { return s ? s->residentKb : 0; }

nlohmann::ordered_json visitJson(const Visit& v) {
    const ProcessSample* known = v.before ? &*v.before : v.after ? &*v.after : nullptr;
    return {{"pid", v.pid},
            {"name", known ? known->name : std::string()},
            {"rss_before_kb", rssOf(v.before)},
            {"rss_after_kb", rssOf(v.after)},
            {"outcome", outcome(v)}};
}

nlohmann::ordered_json totalsJson(const std::vector<Visit>& visits) {
    std::map<std::string, int> counts;
    std::uint64_t before = 0;
    std::uint64_t after = 0;
    for (const Visit& v : visits) {
        ++counts[outcome(v)];
        if (v.after) {
            before += rssOf(v.before);
            after += rssOf(v.after);
        }
    }
    nlohmann::ordered_json totals{{"processes", visits.size()},
                                  {"rss_before_kb", before},
                                  {"rss_after_kb", after}};
    for (const auto& [name, count] : counts) totals[name] = count;
    return totals;
}

/// What stayed free once the processes have run on for a while.
nlohmann::ordered_json followJson(const std::vector<Visit>& visits, std::uint64_t availableAfterKb,
                                  double seconds) {
    const auto waitFor = std::chrono::duration<double>(seconds);
    std::this_thread::sleep_for(waitFor);
    std::uint64_t rssAfter = 0;
    std::uint64_t rssNow = 0;
    std::uint64_t minor = 0;
    std::uint64_t major = 0;
    nlohmann::ordered_json processes = nlohmann::ordered_json::array();
    for (const Visit& v : visits) {
        if (!v.after || v.after->kernelThread) continue;
        const auto now = platform::sampleProcess(v.pid);
        if (!now) continue;
        const std::uint64_t dMinor = now->minorFaults - std::min(now->minorFaults, v.after->minorFaults);
        const std::uint64_t dMajor = now->majorFaults - std::min(now->majorFaults, v.after->majorFaults);
        rssAfter += v.after->residentKb;
        rssNow += now->residentKb;
        minor += dMinor;
        major += dMajor;
        processes.push_back({{"pid", v.pid},
                             {"rss_after_kb", v.after->residentKb},
                             {"rss_now_kb", now->residentKb},
                             {"minor_faults", dMinor},
                             {"major_faults", dMajor}});
    }
    const std::uint64_t availableNow = platform::availableMemoryKb().value_or(0);
    return {{"seconds", seconds},
            {"mem_available_after_pass_kb", availableAfterKb},
            {"mem_available_now_kb", availableNow},
            {"rss_after_pass_kb", rssAfter},
            {"rss_now_kb", rssNow},
            {"rss_regained_kb", rssNow > rssAfter ? rssNow - rssAfter : 0},
            {"minor_faults", minor},
            {"major_faults", major},
            {"processes", processes}};
}

void printText(const nlohmann::ordered_json& report) {
    std::cout << report["status"].get<std::string>() << "\n";
    std::printf("%8s  %-16s %12s %12s  %s\n", "pid", "name", "rss before", "rss after", "outcome");
    for (const auto& p : report["processes"]) {
        std::printf("%8u  %-16s %9llu kB %9llu kB  %s\n", p["pid"].get<unsigned>(),
                    p["name"].get<std::string>().c_str(),
                    static_cast<unsigned long long>(p["rss_before_kb"].get<std::uint64_t>()),
                    static_cast<unsigned long long>(p["rss_after_kb"].get<std::uint64_t>()),
                    p["outcome"].get<std::string>().c_str());
    }
    const auto& t = report["totals"];
    std::printf("total: %zu processes, resident %llu kB before, %llu kB after", t["processes"].get<std::size_t>(),
                static_cast<unsigned long long>(t["rss_before_kb"].get<std::uint64_t>()),
                static_cast<unsigned long long>(t["rss_after_kb"].get<std::uint64_t>()));
    for (const char* kind : {"trimmed", "refused: no permission", "gone", "kernel thread"}) {
        if (t.contains(kind)) std::printf("; %s %d", kind, t[kind].get<int>());
    }
    std::printf("\n");
    if (!report.contains("follow")) return;
    const auto& f = report["follow"];
    std::printf(
        "after %.1f s: MemAvailable %llu kB (right after the pass %llu kB); resident %llu kB "
        "(right after the pass %llu kB, regained %llu kB); faults since the pass: %llu minor, "
        "%llu major\n",
        f["seconds"].get<double>(),
        static_cast<unsigned long long>(f["mem_available_now_kb"].get<std::uint64_t>()),
        static_cast<unsigned long long>(f["mem_available_after_pass_kb"].get<std::uint64_t>()),
        static_cast<unsigned long long>(f["rss_now_kb"].get<std::uint64_t>()),
        static_cast<unsigned long long>(f["rss_after_pass_kb"].get<std::uint64_t>()),
        static_cast<unsigned long long>(f["rss_regained_kb"].get<std::uint64_t>()),
        static_cast<unsigned long long>(f["minor_faults"].get<std::uint64_t>()),
        static_cast<unsigned long long>(f["major_faults"].get<std::uint64_t>()));
}

}  // namespace

int runTrim(const TrimOptions& options) {
    // The window's pass on the window's process functions, bound by name;
    // a missing one is the same fatal error.
    HeadlessSession session;
    session.load();
    BoundProcessApi bound(SharedExternalFunctions(session.wiring()).binder());
    ObservedProcesses processes(bound, options.pids);
    PlainLabel status;
    TrimPass(session.application().state(), processes, status).run();
    const std::uint64_t availableAfterKb = platform::availableMemoryKb().value_or(0);

    nlohmann::ordered_json report;
    report["status"] = platform::gbkToUtf8(status.caption());
    report["processes"] = nlohmann::ordered_json::array();
    for (const Visit& v : processes.visits) report["processes"].push_back(visitJson(v));
    report["totals"] = totalsJson(processes.visits);
    if (options.followSeconds) {
        report["follow"] = followJson(processes.visits, availableAfterKb, *options.followSeconds);
    }
    if (options.json) {
        std::cout << report.dump(2) << "\n";
    } else {
        printText(report);
    }
    // Asked for particular processes, the command fails when none was trimmed.
    const bool anyTrimmed = std::any_of(processes.visits.begin(), processes.visits.end(),
                                        [](const Visit& v) { return outcome(v) == "trimmed"; });
    return options.pids.empty() || anyTrimmed ? kExitOk : kExitFailed;
}

}  // namespace qv::cli
