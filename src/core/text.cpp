#include "core/text.h"

namespace qv {

std::size_t findLastBackslash(TextView text) {
    std::size_t found = TextView::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (isLeadByte(byte)) {
            ++i;  // the trail byte belongs to the same character, whatever its value
            continue;
        }
        if (byte == '\\') found = i;
    }
    return found;
}

}  // namespace qv
