#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The skin file of our engine:
//
//   ".SHE"  u8 major (1)  u8 minor  u16 section count   (all integers little-endian)
//   then each section: 4-byte ASCII tag, u32 length, that many bytes
//     "NAME"  the skin's name, printable ASCII
//     "PALT"  palette entries of 5 bytes: role, red, green, blue, alpha
//     "QSS "  the style sheet, printable ASCII plus tab and line breaks
//   Unknown sections are skipped; nothing may follow the last section.

namespace qv::skin {

inline constexpr std::string_view kSkinMagic = ".SHE";
inline constexpr std::uint8_t kSkinMajorVersion = 1;
inline constexpr std::size_t kMaxSkinFileBytes = 1u << 20;
inline constexpr std::size_t kMaxStyleSheetBytes = 64u << 10;
inline constexpr std::size_t kMaxNameBytes = 64;
inline constexpr std::size_t kMaxSections = 16;

/// The colour roles a skin may set; the engine maps them to the toolkit's.
enum class ColourRole : std::uint8_t {
    Window,
    WindowText,
    Base,
    AlternateBase,
    Text,
    Button,
    ButtonText,
    BrightText,
    Highlight,
    HighlightedText,
    Light,
    Midlight,
    Mid,
    Dark,
    Shadow,
    ToolTipBase,
    ToolTipText,
    Link,
    PlaceholderText,
    Count
};
inline constexpr std::size_t kColourRoleCount = static_cast<std::size_t>(ColourRole::Count);

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

using Palette = std::array<std::optional<Rgba>, kColourRoleCount>;

struct SkinFile {
    std::uint8_t minorVersion = 0;
    std::string name;
    Palette palette;
    std::string styleSheet;
    friend bool operator==(const SkinFile&, const SkinFile&) = default;
};

/// The skin in `bytes`, or nothing when they are not a well-formed skin file:
/// wrong magic or major version, a section running past the end, a bad or
/// repeated palette role, a name or style sheet that is too long or holds
/// other bytes than allowed, a style sheet that refers to outside files
/// ("url(") or asks for lengths of 1000 px, pt or em and more, trailing
/// bytes, or no palette at all.
std::optional<SkinFile> parseSkinFile(std::span<const std::uint8_t> bytes);

/// The bytes of `skin` in the format above; parseSkinFile reads them back.
std::vector<std::uint8_t> encodeSkinFile(const SkinFile& skin);

}  // namespace qv::skin
