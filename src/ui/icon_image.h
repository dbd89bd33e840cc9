#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Decoding of an icon resource (the ICO layout: a directory, then one BMP
// image with its AND mask per entry) into plain pixels.

namespace qv {

struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;  // 0xAARRGGBB, top row first
};

/// The usable images of the resource, in directory order. Palettised (1, 4
/// and 8 bits) and 32-bit entries are read; PNG entries, other depths and
/// entries that reach past the bytes are skipped, so bytes without a usable
/// image give an empty list.
std::vector<IconImage> decodeIconResource(std::span<const std::uint8_t> bytes);

}  // namespace qv
