#include "skin/payloads.h"

namespace qv::skin {

std::optional<Bytes> TablePayloads::skinFile(std::int32_t id) const {
    if (id >= 1 && id <= kSkinCount) return m_skins[static_cast<std::size_t>(id - 1)];
    if (id > kSkinCount && id <= kLastSkinId) return Bytes{};
    return std::nullopt;
}

}  // namespace qv::skin
