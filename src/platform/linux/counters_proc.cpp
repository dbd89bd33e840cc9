#include "platform/linux/counters_proc.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace qv::platform::linuxproc {
namespace {

constexpr std::uint64_t kKibibyte = 1024;

std::string_view trimLeft(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data()) return std::nullopt;
    return value;
}

template <class Visit>
void forEachLine(std::string_view text, Visit&& visit) {
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        auto lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        visit(text.substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
    }
}

/// The number after a key's colon, scaled to bytes where the line says kB.
std::optional<std::uint64_t> valueBytes(std::string_view afterColon) {
    const auto rest = trimLeft(afterColon);
    const auto value = parseUnsigned(rest);
    if (!value) return std::nullopt;
    return rest.find("kB") != std::string_view::npos ? *value * kKibibyte : *value;
}

std::optional<std::uint64_t> fieldBytes(std::string_view text, std::string_view key) {
    std::optional<std::uint64_t> found;
    forEachLine(text, [&](std::string_view line) {
        if (!found && line.size() > key.size() && line.starts_with(key) && line[key.size()] == ':') {
            found = valueBytes(line.substr(key.size() + 1));
        }
    });
    return found;
}

bool isProcessorLine(std::string_view line) {
    return line.size() > 3 && line.starts_with("cpu") && line[3] >= '0' && line[3] <= '9';
}

/// Fields of a "cpuN user nice system idle iowait ..." line: idle + iowait,
/// iowait counting 0 on kernels that do not report it.
std::optional<std::uint64_t> idleOfLine(std::string_view line) {
    constexpr int kIdleField = 3;
    constexpr int kIowaitField = 4;
    auto rest = line.substr(std::min(line.find_first_of(" \t"), line.size()));
    std::uint64_t value[kIowaitField + 1] = {};
    int count = 0;
    while (count <= kIowaitField) {
        rest = trimLeft(rest);
        std::uint64_t field = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), field);
        if (error != std::errc{}) break;
        value[count++] = field;
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
    }
    if (count <= kIdleField) return std::nullopt;
    return value[kIdleField] + (count > kIowaitField ? value[kIowaitField] : 0);
}

}  // namespace

std::optional<MemInfo> parseMemInfo(std::string_view text) {
    // one pass: the kernel writes some fifty lines and the refresh reads them
    // six times a second
    std::optional<std::uint64_t> total, available, free, buffers, cached, limit, committed;
    const std::pair<std::string_view, std::optional<std::uint64_t>*> wanted[] = {
        {"MemTotal", &total},  {"MemAvailable", &available}, {"MemFree", &free},
        {"Buffers", &buffers}, {"Cached", &cached},          {"CommitLimit", &limit},
        {"Committed_AS", &committed}};
    forEachLine(text, [&](std::string_view line) {
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) return;
        const auto key = line.substr(0, colon);
        for (const auto& [name, field] : wanted) {
            if (key == name) *field = valueBytes(line.substr(colon + 1));
        }
    });
    if (!total) return std::nullopt;
    MemInfo info;
    info.totalPhys = *total;
    info.availPhys = available ? *available : free.value_or(0) + buffers.value_or(0) + cached.value_or(0);
    info.availPhys = std::min(info.availPhys, info.totalPhys);
    info.commitLimit = limit.value_or(0);
    info.committed = committed.value_or(0);
    return info;
}

std::optional<std::uint64_t> parseVmSize(std::string_view text) { return fieldBytes(text, "VmSize"); }

std::optional<CpuIdle> parseCpuIdle(std::string_view text) {
    CpuIdle idle;
    bool readable = true;
    forEachLine(text, [&](std::string_view line) {
        if (!isProcessorLine(line)) return;
        const auto ticks = idleOfLine(line);
        if (!ticks) readable = false;
        idle.idleTicks += ticks.value_or(0);
        ++idle.processors;
    });
    if (!readable || idle.processors == 0) return std::nullopt;
    return idle;
}

std::optional<std::uint64_t> parseStatmSize(std::string_view text, std::uint64_t pageSize) {
    const auto pages = parseUnsigned(trimLeft(text));
    if (!pages) return std::nullopt;
    return *pages * pageSize;
}

std::uint64_t ticksTo100ns(std::uint64_t ticks, std::uint64_t ticksPerSecond) {
    constexpr std::uint64_t kUnitsPerSecond = 10'000'000;
    if (ticksPerSecond == 0) return 0;
    // whole seconds first so that years of idle time cannot overflow
    const std::uint64_t seconds = ticks / ticksPerSecond;
    const std::uint64_t remainder = ticks % ticksPerSecond;
    return seconds * kUnitsPerSecond + remainder * kUnitsPerSecond / ticksPerSecond;
}

std::uint64_t findAddressSpaceEnd(const std::function<bool(std::uint64_t)>& isUserAddress,
                                  std::uint64_t pageSize) {
    if (pageSize == 0) return 0;
    // invariant: page `low` is a user page (page 0 assumed), page `high` is not
    std::uint64_t low = 0;
    std::uint64_t high = UINT64_MAX / pageSize;
    if (isUserAddress(high * pageSize)) return high * pageSize;  // no end below 2^64 to find
    while (high - low > 1) {
        const std::uint64_t middle = low + (high - low) / 2;
        if (isUserAddress(middle * pageSize)) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return high * pageSize;
}

}  // namespace qv::platform::linuxproc
