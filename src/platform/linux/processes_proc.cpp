#include "platform/linux/processes_proc.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace qv::platform::proctrim {
namespace {

constexpr std::uint64_t kBytesPerKiB = 1024;
constexpr std::uint64_t kAllOnes32 = std::numeric_limits<std::uint32_t>::max();

std::uint32_t saturate32(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min(value, kAllOnes32));
}

/// The number of kB after "Name:" on its own line, in bytes.
std::optional<std::uint64_t> memInfoField(std::string_view text, std::string_view name) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t lineEnd = text.find('\n', at);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        std::string_view line = text.substr(at, lineEnd - at);
        at = lineEnd + 1;
        if (line.size() <= name.size() || !line.starts_with(name) || line[name.size()] != ':')
            continue;
        line.remove_prefix(name.size() + 1);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        std::uint64_t kib = 0;
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), kib);
        if (error != std::errc{} || end == line.data()) return std::nullopt;
        if (kib > std::numeric_limits<std::uint64_t>::max() / kBytesPerKiB) return std::nullopt;
        return kib * kBytesPerKiB;
    }
    return std::nullopt;
}

std::optional<std::uintptr_t> parseHex(std::string_view digits) {
    std::uintptr_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc{} || end != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<MemInfo> parseMemInfo(std::string_view text) {
    const auto total = memInfoField(text, "MemTotal");
    const auto available = memInfoField(text, "MemAvailable");
    if (!total || !available) return std::nullopt;
    MemInfo info;
    info.totalBytes = *total;
    info.availableBytes = std::min(*available, *total);
    info.mappedBytes = memInfoField(text, "Mapped").value_or(0);
    info.swapTotalBytes = memInfoField(text, "SwapTotal").value_or(0);
    info.swapFreeBytes = memInfoField(text, "SwapFree").value_or(0);
    return info;
}

std::uint64_t availableOutsideWorkingSets(const MemInfo& info) {
    return info.availableBytes - std::min(info.mappedBytes, info.availableBytes);
}

void fillMemoryStatus(const MemInfo& info, MEMORYSTATUS& record) {
    record.dwLength = sizeof(MEMORYSTATUS);
    const std::uint64_t available = availableOutsideWorkingSets(info);
    const std::uint64_t used = info.totalBytes - std::min(available, info.totalBytes);
    record.dwMemoryLoad =
        info.totalBytes == 0 ? 0 : static_cast<std::uint32_t>(used * 100 / info.totalBytes);
    record.dwTotalPhys = saturate32(info.totalBytes);
    record.dwAvailPhys = saturate32(available);
    record.dwTotalPageFile = saturate32(info.totalBytes + info.swapTotalBytes);
    record.dwAvailPageFile = saturate32(available + info.swapFreeBytes);
    record.dwTotalVirtual = static_cast<std::uint32_t>(kAllOnes32);
    record.dwAvailVirtual = static_cast<std::uint32_t>(kAllOnes32);
}

std::optional<std::uint32_t> parseProcessId(std::string_view name) {
    if (name.empty() || name.front() == '0') return std::nullopt;
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), id);
    if (error != std::errc{} || end != name.data() + name.size()) return std::nullopt;
    return id;
}

void LowestIds::offer(std::uint32_t id) {
    if (m_capacity == 0) return;
    if (m_count < m_capacity) {
        m_ids[m_count++] = id;
        std::push_heap(m_ids, m_ids + m_count);
        return;
    }
    if (id >= m_ids[0]) return;  // the common case: /proc lists ascending
    std::pop_heap(m_ids, m_ids + m_count);
    m_ids[m_count - 1] = id;
    std::push_heap(m_ids, m_ids + m_count);
}

std::size_t LowestIds::finish() {
    std::sort_heap(m_ids, m_ids + m_count);
    return m_count;
}

std::optional<Mapping> parseMapsLine(std::string_view line) {
    const std::size_t dash = line.find('-');
    const std::size_t space = line.find(' ');
    if (dash == std::string_view::npos || space == std::string_view::npos || dash > space)
        return std::nullopt;
    const auto start = parseHex(line.substr(0, dash));
    const auto end = parseHex(line.substr(dash + 1, space - dash - 1));
    if (!start || !end || *end <= *start) return std::nullopt;
    Mapping mapping;
    mapping.start = *start;
    mapping.end = *end;
    mapping.outsideUserSpace = line.ends_with("[vsyscall]");
    return mapping;
}

}  // namespace qv::platform::proctrim
