// Prints, for each of N intervals of one second, the sampler's processor
// figure next to one computed independently from the aggregate line of
// /proc/stat (busy share of all jiffies), so that cpu_accuracy.sh can compare
// them under a known load.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "monitor/sampler.h"
#include "platform/counters.h"

namespace {

struct Jiffies {
    unsigned long long idle = 0;
    unsigned long long total = 0;
};

Jiffies readAggregate() {
    std::ifstream file("/proc/stat");
    std::string name;
    file >> name;
    Jiffies jiffies;
    for (int field = 0; field < 8; ++field) {  // user .. steal; guests are inside user
        unsigned long long value = 0;
        file >> value;
        jiffies.total += value;
        if (field == 3 || field == 4) jiffies.idle += value;
    }
    return jiffies;
}

}  // namespace

int main(int argc, char** argv) {
    const int intervals = argc > 1 ? std::atoi(argv[1]) : 5;
    auto counters = qv::platform::makeSystemCounters();
    qv::Sampler sampler(*counters);
    sampler.QueryCpuUsage();  // the first-sample wait
    Jiffies before = readAggregate();
    double sumSampler = 0, sumIndependent = 0;
    for (int i = 0; i < intervals; ++i) {
        std::this_thread::sleep_for(std::chrono::seconds{1});
        const int figure = sampler.QueryCpuUsage();
        const Jiffies after = readAggregate();
        const double busy = 100.0 * (1.0 - static_cast<double>(after.idle - before.idle) /
                                               static_cast<double>(after.total - before.total));
        before = after;
        std::printf("interval %d: sampler %d %%, /proc/stat %.1f %%\n", i + 1, figure, busy);
        sumSampler += figure;
        sumIndependent += busy;
    }
    std::printf("mean: sampler %.1f %%, /proc/stat %.1f %%, difference %.1f points\n", sumSampler / intervals,
                sumIndependent / intervals, sumSampler / intervals - sumIndependent / intervals);
    return 0;
}
