#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace qv::skin {

using Bytes = std::span<const std::uint8_t>;

inline constexpr std::int32_t kSkinCount = 29;
inline constexpr std::int32_t kLastSkinId = 74;

/// The byte sequences the installer writes, unchanged.
class SkinPayloads {
public:
    virtual ~SkinPayloads() = default;
    /// The engine library.
    virtual Bytes library() const = 0;
    /// The skin file of `id`: its bytes for 1..29, the empty sequence for
    /// 30..74, nothing for any other id.
    virtual std::optional<Bytes> skinFile(std::int32_t id) const = 0;
};

/// Payloads over fixed byte sequences, skins[0] being skin 1.
class TablePayloads final : public SkinPayloads {
public:
    TablePayloads(Bytes library, std::array<Bytes, kSkinCount> skins)
        : m_library(library), m_skins(skins) {}
    Bytes library() const override { return m_library; }
    std::optional<Bytes> skinFile(std::int32_t id) const override;

private:
    Bytes m_library;
    std::array<Bytes, kSkinCount> m_skins;
};

/// The payloads carried inside the program: our engine and our 29 skins
/// (from the quorvel_skin_payload library). The library is empty in builds
/// made without the toolkit, which cannot build the engine.
const SkinPayloads& BuiltInSkinPayloads();
/// Every byte the built-in payloads occupy in the program image: read only
/// while the installer writes the files, then not again.
Bytes BuiltInPayloadRegion();

}  // namespace qv::skin
