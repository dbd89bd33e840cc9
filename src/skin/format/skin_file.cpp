#include "skin/format/skin_file.h"

#include <algorithm>

namespace qv::skin {
namespace {

constexpr std::string_view kNameTag = "NAME";
constexpr std::string_view kPaletteTag = "PALT";
constexpr std::string_view kStyleTag = "QSS ";
constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kSectionHeaderBytes = 8;
constexpr std::size_t kPaletteEntryBytes = 5;

/// Reads little-endian integers without ever passing the end.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t remaining() const { return m_bytes.size() - m_pos; }

    std::optional<std::span<const std::uint8_t>> take(std::size_t count) {
        if (count > remaining()) return std::nullopt;
        auto part = m_bytes.subspan(m_pos, count);
        m_pos += count;
        return part;
    }
    std::optional<std::uint32_t> u32() {
        auto b = take(4);
        if (!b) return std::nullopt;
        return std::uint32_t((*b)[0]) | std::uint32_t((*b)[1]) << 8 | std::uint32_t((*b)[2]) << 16 |
               std::uint32_t((*b)[3]) << 24;
    }
    std::optional<std::uint16_t> u16() {
        auto b = take(2);
        if (!b) return std::nullopt;
        return static_cast<std::uint16_t>((*b)[0] | (*b)[1] << 8);
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

std::string_view asText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool isPrintable(std::uint8_t c) { return c >= 0x20 && c < 0x7f; }
bool isStyleByte(std::uint8_t c) { return isPrintable(c) || c == '\t' || c == '\n' || c == '\r'; }

bool containsIgnoringCase(std::string_view text, std::string_view needle) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                          [&](char a, char b) { return lower(a) == lower(b); });
    return it != text.end();
}

// A length of 1000 units or more ("2000000px") only serves to make the
// toolkit lay out and draw for ever.
bool hasAbsurdLength(std::string_view sheet) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    std::size_t at = 0;
    while (at < sheet.size()) {
        if (sheet[at] < '0' || sheet[at] > '9') {
            ++at;
            continue;
        }
        while (at < sheet.size() && sheet[at] == '0') ++at;
        const std::size_t start = at;
        while (at < sheet.size() && sheet[at] >= '0' && sheet[at] <= '9') ++at;
        if (at - start <= 3 || at + 2 > sheet.size()) continue;
        const std::string unit{lower(sheet[at]), lower(sheet[at + 1])};
        if (unit == "px" || unit == "pt" || unit == "em") return true;
    }
    return false;
}

bool readName(std::span<const std::uint8_t> body, SkinFile& skin) {
    if (body.size() > kMaxNameBytes || !std::all_of(body.begin(), body.end(), isPrintable)) {
        return false;
    }
    skin.name = std::string(asText(body));
    return true;
}

bool readPalette(std::span<const std::uint8_t> body, SkinFile& skin, bool& seen) {
    if (seen || body.size() % kPaletteEntryBytes != 0) return false;
    seen = true;
    for (std::size_t at = 0; at < body.size(); at += kPaletteEntryBytes) {
        const std::uint8_t role = body[at];
        if (role >= kColourRoleCount || skin.palette[role]) return false;
        skin.palette[role] = Rgba{body[at + 1], body[at + 2], body[at + 3], body[at + 4]};
    }
    return true;
}

bool readStyleSheet(std::span<const std::uint8_t> body, SkinFile& skin) {
    if (body.size() > kMaxStyleSheetBytes || !std::all_of(body.begin(), body.end(), isStyleByte)) {
        return false;
    }
    const std::string_view sheet = asText(body);
    if (containsIgnoringCase(sheet, "url(") || hasAbsurdLength(sheet)) return false;
    skin.styleSheet = std::string(sheet);
    return true;
}

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xff));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void putSection(std::vector<std::uint8_t>& out, std::string_view tag, std::string_view body) {
    out.insert(out.end(), tag.begin(), tag.end());
    putU32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

std::optional<SkinFile> parseSkinFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderBytes || bytes.size() > kMaxSkinFileBytes) return std::nullopt;
    Reader in(bytes);
    if (asText(*in.take(4)) != kSkinMagic) return std::nullopt;
    const auto version = *in.take(2);
    if (version[0] != kSkinMajorVersion) return std::nullopt;
    const std::uint16_t sections = *in.u16();
    if (sections > kMaxSections) return std::nullopt;

    SkinFile skin;
    skin.minorVersion = version[1];
    bool paletteSeen = false;
    for (std::uint16_t i = 0; i < sections; ++i) {
        if (in.remaining() < kSectionHeaderBytes) return std::nullopt;
        const std::string_view tag = asText(*in.take(4));
        const auto body = in.take(*in.u32());
        if (!body) return std::nullopt;
        bool ok = true;
        if (tag == kNameTag) {
            ok = readName(*body, skin);
        } else if (tag == kPaletteTag) {
            ok = readPalette(*body, skin, paletteSeen);
        } else if (tag == kStyleTag) {
            ok = readStyleSheet(*body, skin);
        }
        if (!ok) return std::nullopt;
    }
    if (in.remaining() != 0 || !paletteSeen) return std::nullopt;
    return skin;
}

std::vector<std::uint8_t> encodeSkinFile(const SkinFile& skin) {
    std::vector<std::uint8_t> out(kSkinMagic.begin(), kSkinMagic.end());
    out.push_back(kSkinMajorVersion);
    out.push_back(skin.minorVersion);
    putU16(out, 3);
    putSection(out, kNameTag, skin.name);
    std::string palette;
    for (std::size_t role = 0; role < kColourRoleCount; ++role) {
        if (!skin.palette[role]) continue;
        const Rgba c = *skin.palette[role];
        palette += {static_cast<char>(role), static_cast<char>(c.r), static_cast<char>(c.g),
                    static_cast<char>(c.b), static_cast<char>(c.a)};
    }
    putSection(out, kPaletteTag, palette);
    putSection(out, kStyleTag, skin.styleSheet);
    return out;
}

}  // namespace qv::skin
