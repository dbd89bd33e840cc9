#include "platform/process_info.h"

#include "platform/linux/processes_proc.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace qv::platform {
namespace {

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\n");
    return text.substr(first, last - first + 1);
}

std::optional<std::uint64_t> leadingNumber(std::string_view text) {
    text = trim(text);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    return value;
}

}  // namespace

bool parseProcessStatus(std::string_view status, ProcessSample& sample) {
    bool named = false;
    bool hasMemory = false;
    while (!status.empty()) {
        const auto eol = status.find('\n');
        const std::string_view line = status.substr(0, eol);
        status = eol == std::string_view::npos ? std::string_view{} : status.substr(eol + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, colon);
        const std::string_view value = line.substr(colon + 1);
        if (key == "Name") {
            sample.name = std::string(trim(value));
            named = true;
        } else if (key == "VmRSS") {
            sample.residentKb = leadingNumber(value).value_or(0);
            hasMemory = true;
        } else if (key == "VmSize") {
            hasMemory = true;
        }
    }
    // Kernel threads have no user address space, so no Vm lines at all.
    sample.kernelThread = named && !hasMemory;
    return named;
}

bool parseProcessStat(std::string_view stat, ProcessSample& sample) {
    // The name in parentheses may hold blanks and parentheses itself: the
    // fields start after the last ")".
    const auto close = stat.rfind(')');
    if (close == std::string_view::npos) return false;
    std::string_view rest = stat.substr(close + 1);
    // Fields after the name, counted from 3 (state): minflt is 10, majflt 12.
    int field = 2;
    while (!rest.empty()) {
        const auto start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        rest = rest.substr(start);
        const auto end = rest.find(' ');
        const std::string_view token = rest.substr(0, end);
        ++field;
        if (field == 10) sample.minorFaults = leadingNumber(token).value_or(0);
        if (field == 12) {
            sample.majorFaults = leadingNumber(token).value_or(0);
            return true;
        }
        if (end == std::string_view::npos) break;
        rest = rest.substr(end);
    }
    return false;
}

std::optional<ProcessSample> sampleProcess(std::uint32_t pid, const std::string& procRoot) {
    const std::string dir = procRoot + "/" + std::to_string(pid);
    const auto status = readFile(dir + "/status");
    if (!status) return std::nullopt;
    ProcessSample sample;
    if (!parseProcessStatus(*status, sample)) return std::nullopt;
    if (const auto stat = readFile(dir + "/stat")) parseProcessStat(*stat, sample);
    return sample;
}

std::optional<std::uint64_t> availableMemoryKb(const std::string& procRoot) {
    const auto meminfo = readFile(procRoot + "/meminfo");
    if (!meminfo) return std::nullopt;
    // The trim layer's own reading, so that the report and the pass agree.
    const auto info = proctrim::parseMemInfo(*meminfo);
    if (!info) return std::nullopt;
    return info->availableBytes / 1024;
}

}  // namespace qv::platform
