#include "core/registry_names.h"

namespace qv {

Text foldRegistryName(TextView name) {
    Text folded(name);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(folded[i]);
        if (isLeadByte(byte)) {
            ++i;  // the second byte belongs to the same character
            continue;
        }
        if (byte >= 'A' && byte <= 'Z') folded[i] = static_cast<char>(byte - 'A' + 'a');
    }
    return folded;
}

std::optional<std::vector<Text>> splitKeyPath(TextView path) {
    std::vector<Text> names;
    if (path.empty()) return names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (isLeadByte(byte)) {
            ++i;
            continue;
        }
        if (byte != '\\') continue;
        if (i == start) return std::nullopt;
        names.emplace_back(path.substr(start, i - start));
        start = i + 1;
    }
    if (start >= path.size()) return std::nullopt;
    names.emplace_back(path.substr(start));
    return names;
}

Text joinKeyPath(const std::vector<Text>& names, std::size_t count) {
    Text joined;
    for (std::size_t i = 0; i < count && i < names.size(); ++i) {
        if (i > 0) joined += '\\';
        joined += names[i];
    }
    return joined;
}

TextView untilZero(TextView text) {
    const auto zero = text.find('\0');
    return zero == TextView::npos ? text : text.substr(0, zero);
}

}  // namespace qv
