// What users pay after a pass: N processes touch all of their memory again,
// once without a pass before it and once right after one; reported are the
// median time per process and the page faults.
//   bench_refault [N] [FILE_MIB] [ANON_MIB]   (root: trimming others needs it)

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "workload_child.h"

namespace {

struct Toucher {
    pid_t pid = -1;
    FILE* in = nullptr;   // commands to the child
    FILE* out = nullptr;  // its answers
};

Toucher start(const std::string& file, std::uint64_t offsetMiB, std::uint64_t fileMiB,
              std::uint64_t anonMiB) {
    int toChild[2];
    int fromChild[2];
    Toucher t;
    if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) return t;
    t.pid = ::fork();
    if (t.pid == 0) {
        ::dup2(toChild[0], STDIN_FILENO);
        ::dup2(fromChild[1], STDOUT_FILENO);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        const std::string offset = std::to_string(offsetMiB);
        const std::string fileSize = std::to_string(fileMiB);
        const std::string anonSize = std::to_string(anonMiB);
        ::execl(QUORVEL_REFAULT_WORKLOAD, QUORVEL_REFAULT_WORKLOAD, file.c_str(), offset.c_str(),
                fileSize.c_str(), anonSize.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    t.in = ::fdopen(toChild[1], "w");
    t.out = ::fdopen(fromChild[0], "r");
    return t;
}

struct Touch {
    long long ns = 0;
    long minor = 0;
    long major = 0;
};

Touch touchAgain(Toucher& t) {
    std::fputs("t\n", t.in);
    std::fflush(t.in);
    Touch result;
    char line[128];
    if (std::fgets(line, sizeof line, t.out)) {
        std::sscanf(line, "touched %lld %ld %ld", &result.ns, &result.minor, &result.major);
    }
    return result;
}

struct Summary {
    double medianMs = 0;
    long minor = 0;
    long major = 0;
};

Summary summarise(std::vector<Touch> touches) {
    Summary s;
    std::vector<long long> times;
    for (const Touch& t : touches) {
        times.push_back(t.ns);
        s.minor += t.minor;
        s.major += t.major;
    }
    std::sort(times.begin(), times.end());
    if (!times.empty()) s.medianMs = static_cast<double>(times[times.size() / 2]) / 1e6;
    return s;
}

void trim(qv::platform::ProcessApi& api, const std::vector<Toucher>& children) {
    for (const Toucher& t : children) {
        const auto handle = api.OpenProcess(qv::platform::kProcessAllAccess, false,
                                            static_cast<std::uint32_t>(t.pid));
        api.SetProcessWorkingSetSize(handle, qv::platform::kTrimWholeWorkingSet,
                                     qv::platform::kTrimWholeWorkingSet);
        api.CloseHandle(handle);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 50;
    const std::uint64_t fileMiB = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 4;
    const std::uint64_t anonMiB = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 2;
    const std::string file = std::string(QUORVEL_BENCH_DIR) + "/refault-" + std::to_string(getpid()) + ".bin";
    if (!qv::test::writeDataFile(file, n * fileMiB)) return 1;

    std::vector<Toucher> children;
    for (std::size_t i = 0; i < n; ++i) children.push_back(start(file, i * fileMiB, fileMiB, anonMiB));
    char line[64];
    for (Toucher& t : children) {
        if (!t.out || !std::fgets(line, sizeof line, t.out)) return 1;  // "ready"
    }

    std::vector<Touch> without;
    for (Toucher& t : children) without.push_back(touchAgain(t));
    const auto api = qv::platform::makeSystemProcessApi();
    trim(*api, children);
    std::vector<Touch> after;
    for (Toucher& t : children) after.push_back(touchAgain(t));

    const Summary a = summarise(without);
    const Summary b = summarise(after);
    std::printf("workload: %zu processes, %llu MiB file + %llu MiB anonymous each; swap %s\n", n,
                static_cast<unsigned long long>(fileMiB), static_cast<unsigned long long>(anonMiB),
                qv::test::swapIsOn() ? "on" : "off");
    std::printf("| touch again | median ms per process | minor faults | major faults |\n");
    std::printf("|---|---|---|---|\n");
    std::printf("| without a pass | %.3f | %ld | %ld |\n", a.medianMs, a.minor, a.major);
    std::printf("| right after a pass | %.3f | %ld | %ld |\n", b.medianMs, b.minor, b.major);
    std::printf("| ratio | %.1f | | |\n", a.medianMs > 0 ? b.medianMs / a.medianMs : 0.0);

    for (Toucher& t : children) {
        std::fclose(t.in);
        ::kill(t.pid, SIGKILL);
    }
    for (Toucher& t : children) {
        ::waitpid(t.pid, nullptr, 0);
        std::fclose(t.out);
    }
    std::remove(file.c_str());
    return 0;
}
