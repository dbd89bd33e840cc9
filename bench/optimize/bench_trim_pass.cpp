// One real trim pass against N workload processes with known resident pages,
// side by side with the kernel's own reclaim of the same ranges and with
// dropping the page cache. Prints one table row per N.
//
//   bench_trim_pass [--file-mib F] [--anon-mib A] [--dir DIR] N...
//
// Needs root (or CAP_SYS_NICE for the pass and root for drop_caches).

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/texts.h"
#include "optimize/trim_pass.h"
#include "platform/linux/processes_proc.h"
#include "platform/processes.h"
#include "ui/plain_controls.h"
#include "workload_child.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using qv::test::kMiB;

struct Options {
    std::uint64_t fileMiB = 4;
    std::uint64_t anonMiB = 2;
    std::string dir = QUORVEL_BENCH_DIR;
    std::vector<std::size_t> counts;
};

/// The real layer with the enumeration narrowed to the workload.
class OnlyThese final : public qv::platform::ProcessApi {
public:
    explicit OnlyThese(const std::vector<pid_t>& pids) : m_ids(pids.begin(), pids.end()) {}
    bool EnumProcesses(std::uint32_t* ids, std::uint32_t, std::int32_t* bytes) override {
        std::copy(m_ids.begin(), m_ids.end(), ids);
        *bytes = static_cast<std::int32_t>(4 * m_ids.size());
        return true;
    }
    qv::platform::PhysicalMemory GlobalMemoryStatus(qv::MEMORYSTATUS& record) override {
        return m_real->GlobalMemoryStatus(record);
    }
    qv::platform::ProcessHandle OpenProcess(std::uint32_t a, bool i, std::uint32_t id) override {
        return m_real->OpenProcess(a, i, id);
    }
    bool SetProcessWorkingSetSize(qv::platform::ProcessHandle h, std::size_t lo, std::size_t hi) override {
        return m_real->SetProcessWorkingSetSize(h, lo, hi);
    }
    bool CloseHandle(qv::platform::ProcessHandle h) override { return m_real->CloseHandle(h); }

private:
    std::vector<std::uint32_t> m_ids;
    std::unique_ptr<qv::platform::ProcessApi> m_real = qv::platform::makeSystemProcessApi();
};

struct Residency {
    std::uint64_t resident = 0;     // RssFile + RssAnon
    std::uint64_t reclaimable = 0;  // private clean pages (+ anonymous with swap)
};

Residency measure(const std::vector<pid_t>& pids, bool swap) {
    Residency total;
    for (const pid_t pid : pids) {
        const auto file = qv::test::statusBytes(pid, "RssFile").value_or(0);
        const auto anon = qv::test::statusBytes(pid, "RssAnon").value_or(0);
        total.resident += file + anon;
        total.reclaimable += qv::test::rollupBytes(pid, "Private_Clean").value_or(0) + (swap ? anon : 0);
    }
    return total;
}

/// The system's free, available and mapped file memory, in bytes.
struct SystemMemory {
    double free = 0, available = 0, mapped = 0;
};

SystemMemory systemMemory() {
    const auto meminfo = [](const char* field) {
        return static_cast<double>(qv::test::kernelFieldBytes("/proc/meminfo", field).value_or(0));
    };
    return {meminfo("MemFree"), meminfo("MemAvailable"), meminfo("Mapped")};
}

double mib(double bytes) { return bytes / static_cast<double>(kMiB); }
double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

/// The mappings of a process, read before the clock starts.
std::vector<iovec> mappingsOf(pid_t pid) {
    std::vector<iovec> ranges;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const auto mapping = qv::platform::proctrim::parseMapsLine(line);
        if (!mapping || mapping->outsideUserSpace) continue;
        ranges.push_back(iovec{reinterpret_cast<void*>(mapping->start), mapping->end - mapping->start});
    }
    return ranges;
}

struct Outcome {
    double ms = 0;
    double repeatMs = 0;  // the same pass again, with nothing left to reclaim
    Residency before, after;
    SystemMemory systemBefore, systemAfter;
    std::string note;
};

using Action = void (*)(const std::vector<pid_t>&, Outcome&);

void trimPass(const std::vector<pid_t>& pids, Outcome& outcome) {
    qv::SharedState state;
    qv::AllocateSharedState(state);
    OnlyThese processes(pids);
    qv::PlainLabel status;
    qv::TrimPass pass(state, processes, status);
    const auto start = Clock::now();
    pass.run();
    outcome.ms = msSince(start);
    const std::string caption = status.caption();
    outcome.note = caption.substr(std::min(caption.size(), qv::texts::kTrimStatusPrefix.size()));
    const auto again = Clock::now();
    pass.run();
    outcome.repeatMs = msSince(again);
}

void kernelOnly(const std::vector<pid_t>& pids, Outcome& outcome) {
    std::vector<std::vector<iovec>> ranges;
    std::vector<int> pidfds;
    for (const pid_t pid : pids) {
        ranges.push_back(mappingsOf(pid));
        pidfds.push_back(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0u)));
    }
    const auto start = Clock::now();
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const int fd = pidfds[i];
        qv::platform::proctrim::adviseRanges(ranges[i].data(), ranges[i].size(),
                                             [fd](const iovec* first, std::size_t n) {
                                                 const long r = ::syscall(SYS_process_madvise, fd, first,
                                                                          n, MADV_PAGEOUT, 0u);
                                                 return r < 0 ? -errno : r;
                                             });
    }
    outcome.ms = msSince(start);
    for (const int fd : pidfds) ::close(fd);
}

void dropCaches(const std::vector<pid_t>&, Outcome& outcome) {
    const auto start = Clock::now();
    std::ofstream control("/proc/sys/vm/drop_caches");
    control << "1\n";
    control.close();
    outcome.ms = msSince(start);
    if (!control) outcome.note = "(not allowed)";
}

bool runOnFreshWorkload(const Options& options, const std::string& file, std::size_t count, bool swap,
                        Action action, Outcome& outcome) {
    qv::test::WorkloadGroup group(QUORVEL_WORKLOAD, file, count, options.fileMiB, options.anonMiB);
    if (group.pids().size() != count || !group.waitAllReady(std::chrono::minutes{5})) {
        std::fprintf(stderr, "the workload of %zu processes did not come up\n", count);
        return false;
    }
    outcome.before = measure(group.pids(), swap);
    outcome.systemBefore = systemMemory();
    action(group.pids(), outcome);
    outcome.after = measure(group.pids(), swap);
    outcome.systemAfter = systemMemory();
    return true;
}

double freedShare(const Outcome& o) {
    const double freed = static_cast<double>(o.before.resident) - static_cast<double>(o.after.resident);
    return o.before.reclaimable == 0 ? 0.0 : 100.0 * freed / static_cast<double>(o.before.reclaimable);
}

void printRow(const char* what, std::size_t count, const Outcome& o) {
    const double freed = static_cast<double>(o.before.resident) - static_cast<double>(o.after.resident);
    const SystemMemory& a = o.systemAfter;
    const SystemMemory& b = o.systemBefore;
    char repeat[32] = "";
    if (o.repeatMs > 0) std::snprintf(repeat, sizeof repeat, "%.3f", o.repeatMs / static_cast<double>(count));
    std::printf("| %-11s | %4zu | %9.1f | %8.3f | %8s | %11.1f | %9.1f | %7.1f %% | %9.1f | %10.1f | %12.1f | %-11s |\n",
                what, count, o.ms, o.ms / static_cast<double>(count), repeat,
                mib(static_cast<double>(o.before.reclaimable)), mib(freed), freedShare(o), mib(a.free - b.free),
                mib(a.available - b.available), mib((a.available - a.mapped) - (b.available - b.mapped)),
                o.note.c_str());
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--file-mib" && i + 1 < argc) options.fileMiB = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--anon-mib" && i + 1 < argc) options.anonMiB = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--dir" && i + 1 < argc) options.dir = argv[++i];
        else options.counts.push_back(std::strtoull(argv[i], nullptr, 10));
    }
    if (options.counts.empty()) options.counts = {10, 100, 500};
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    std::size_t largest = 0;
    for (auto n : options.counts) largest = std::max(largest, n);
    if (!qv::test::holdsFileBackedPages(options.dir)) {
        std::fprintf(stderr, "%s is tmpfs: pick a folder on a disk with --dir\n", options.dir.c_str());
        return 2;
    }
    const std::string file = options.dir + "/bench-trim-" + std::to_string(::getpid()) + ".bin";
    if (!qv::test::writeDataFile(file, largest * options.fileMiB)) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return 2;
    }
    const bool swap = qv::test::swapIsOn();
    std::printf("workload: %llu MiB file + %llu MiB anonymous per process; swap %s\n",
                static_cast<unsigned long long>(options.fileMiB),
                static_cast<unsigned long long>(options.anonMiB), swap ? "on" : "off");
    std::printf("| %-11s | %4s | %9s | %8s | %8s | %11s | %9s | %9s | %9s | %10s | %12s | %-11s |\n", "method",
                "N", "ms", "ms/proc", "again", "reclaim MiB", "freed MiB", "freed/rec", "free +MiB",
                "avail +MiB", "avail-mapped", "status");
    std::printf("|-------------|------|-----------|----------|----------|-------------|-----------|-----------|"
                "-----------|------------|--------------|-------------|\n");
    int status = 0;
    for (const std::size_t count : options.counts) {
        struct Method {
            const char* name;
            Action action;
        };
        const Method methods[] = {{"trim pass", trimPass},
                                  {"kernel only", kernelOnly},
                                  {"drop_caches", dropCaches}};
        for (const Method& method : methods) {
            Outcome outcome;
            if (!runOnFreshWorkload(options, file, count, swap, method.action, outcome)) {
                status = 1;
                continue;
            }
            printRow(method.name, count, outcome);
        }
    }
    ::unlink(file.c_str());
    return status;
}
