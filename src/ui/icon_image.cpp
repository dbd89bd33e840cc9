#include "ui/icon_image.h"

#include <optional>

namespace qv {
namespace {

constexpr std::size_t kDirectoryHeader = 6;
constexpr std::size_t kDirectoryEntry = 16;
constexpr std::size_t kInfoHeaderMin = 40;
constexpr int kMaxIconSide = 256;

std::uint32_t readU16(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

std::uint32_t readU32(std::span<const std::uint8_t> b, std::size_t at) {
    return readU16(b, at) | (readU16(b, at + 2) << 16);
}

std::size_t rowBytes(int width, int bitsPerPixel) {
    return ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

struct BmpLayout {
    int width;
    int height;  // of the colour image: half the header's height
    int bits;
    std::size_t palette;  // offset of the palette within the entry
    std::size_t colours;  // palette entries
    std::size_t pixels;   // offset of the colour rows
    std::size_t mask;     // offset of the AND mask rows
    std::size_t end;
};

std::optional<BmpLayout> layoutOf(std::span<const std::uint8_t> e) {
    if (e.size() < kInfoHeaderMin) return std::nullopt;
    const std::size_t headerSize = readU32(e, 0);
    const auto width = static_cast<std::int32_t>(readU32(e, 4));
    const auto doubleHeight = static_cast<std::int32_t>(readU32(e, 8));
    const int bits = static_cast<int>(readU16(e, 14));
    const std::uint32_t compression = readU32(e, 16);
    if (headerSize < kInfoHeaderMin || headerSize > e.size() || compression != 0) return std::nullopt;
    if (width <= 0 || width > kMaxIconSide || doubleHeight <= 0 || doubleHeight % 2 != 0 ||
        doubleHeight / 2 > kMaxIconSide)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 32) return std::nullopt;
    BmpLayout l{width, doubleHeight / 2, bits, headerSize, 0, 0, 0, 0};
    if (bits <= 8) {
        const std::size_t used = readU32(e, 32);
        const std::size_t full = std::size_t{1} << bits;
        l.colours = (used == 0 || used > full) ? full : used;
    }
    l.pixels = l.palette + 4 * l.colours;
    l.mask = l.pixels + rowBytes(l.width, bits) * l.height;
    l.end = l.mask + rowBytes(l.width, 1) * l.height;
    if (l.end > e.size()) return std::nullopt;
    return l;
}

std::uint32_t colourAt(std::span<const std::uint8_t> e, const BmpLayout& l, std::size_t row, int x) {
    const std::size_t at = l.pixels + row * rowBytes(l.width, l.bits);
    if (l.bits == 32) return readU32(e, at + 4 * static_cast<std::size_t>(x));
    const std::size_t bitIndex = static_cast<std::size_t>(x) * l.bits;
    const int shift = 8 - l.bits - static_cast<int>(bitIndex % 8);
    const std::size_t index = (e[at + bitIndex / 8] >> shift) & ((1u << l.bits) - 1);
    if (index >= l.colours) return 0;
    return readU32(e, l.palette + 4 * index) | 0xff000000u;
}

bool maskedOut(std::span<const std::uint8_t> e, const BmpLayout& l, std::size_t row, int x) {
    const std::size_t at = l.mask + row * rowBytes(l.width, 1) + static_cast<std::size_t>(x) / 8;
    return (e[at] & (0x80 >> (x % 8))) != 0;
}

std::optional<IconImage> decodeEntry(std::span<const std::uint8_t> e) {
    const std::optional<BmpLayout> l = layoutOf(e);
    if (!l) return std::nullopt;
    IconImage image{l->width, l->height, {}};
    image.argb.reserve(static_cast<std::size_t>(l->width) * l->height);
    for (int y = 0; y < l->height; ++y) {
        const std::size_t row = static_cast<std::size_t>(l->height - 1 - y);  // bottom-up
        for (int x = 0; x < l->width; ++x) {
            const std::uint32_t colour = colourAt(e, *l, row, x);
            const bool transparent = l->bits == 32 ? (colour >> 24) == 0 : maskedOut(e, *l, row, x);
            image.argb.push_back(transparent ? 0u : colour);
        }
    }
    return image;
}

}  // namespace

std::vector<IconImage> decodeIconResource(std::span<const std::uint8_t> bytes) {
    std::vector<IconImage> images;
    if (bytes.size() < kDirectoryHeader) return images;
    if (readU16(bytes, 0) != 0 || readU16(bytes, 2) != 1) return images;
    const std::size_t count = readU16(bytes, 4);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kDirectoryHeader + i * kDirectoryEntry;
        if (at + kDirectoryEntry > bytes.size()) break;
        const std::size_t size = readU32(bytes, at + 8);
        const std::size_t offset = readU32(bytes, at + 12);
        if (offset > bytes.size() || size > bytes.size() - offset) continue;
        if (auto image = decodeEntry(bytes.subspan(offset, size))) images.push_back(std::move(*image));
    }
    return images;
}

}  // namespace qv
