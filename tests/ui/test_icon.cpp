#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "ui/icon_image.h"

namespace qv {
namespace {

std::vector<std::uint8_t> readIconFile() {
    std::ifstream in(QUORVEL_ICON_FILE, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

TEST(ProgramIcon, IsOneResourceOf7406BytesWithThree256ColourImages) {
    const auto bytes = readIconFile();
    ASSERT_EQ(bytes.size(), 7406u);
    ASSERT_EQ(bytes[4], 3);
    const int sides[] = {16, 32, 48};
    for (int i = 0; i < 3; ++i) {
        const std::size_t entry = 6 + 16 * i;
        EXPECT_EQ(bytes[entry], sides[i]);
        EXPECT_EQ(bytes[entry + 2], 0) << "0 colours in the directory means 256";
        const std::size_t image = u32(bytes, entry + 12);
        EXPECT_EQ(bytes[image + 14], 8) << "bits per pixel of image " << i;
    }
}

TEST(ProgramIcon, DecodesToTransparentCornersAndAnOpaqueMiddle) {
    const auto images = decodeIconResource(readIconFile());
    ASSERT_EQ(images.size(), 3u);
    const int sides[] = {16, 32, 48};
    for (int i = 0; i < 3; ++i) {
        const IconImage& image = images[i];
        ASSERT_EQ(image.width, sides[i]);
        ASSERT_EQ(image.height, sides[i]);
        ASSERT_EQ(image.argb.size(), static_cast<std::size_t>(sides[i] * sides[i]));
        EXPECT_EQ(image.argb.front(), 0u) << "top-left corner of " << sides[i];
        EXPECT_EQ(image.argb.back(), 0u) << "bottom-right corner of " << sides[i];
        const std::uint32_t middle = image.argb[(sides[i] / 2) * sides[i] + sides[i] / 2];
        EXPECT_EQ(middle >> 24, 0xffu) << sides[i];
    }
}

TEST(IconDecoding, DamagedBytesYieldOnlyWholeImages) {
    const auto good = readIconFile();
    ASSERT_EQ(good.size(), 7406u);
    auto pngEntry = good;
    pngEntry[u32(good, 6 + 12)] = 0x89;  // a PNG signature where the first BMP header is
    auto farOffset = good;
    farOffset[6 + 12 + 3] = 0x7f;  // the first entry starts far beyond the end
    auto hugeWidth = good;
    hugeWidth[u32(good, 6 + 12) + 5] = 0x40;  // a width of 16400 pixels
    auto twoEntriesClaimed = good;
    twoEntriesClaimed[4] = 200;  // a directory longer than the bytes

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::size_t images;
    };
    const Case cases[] = {
        {"empty", {}, 0},
        {"directory only", std::vector<std::uint8_t>(good.begin(), good.begin() + 54), 0},
        {"cut inside the last image", std::vector<std::uint8_t>(good.begin(), good.end() - 1), 2},
        {"not an icon", std::vector<std::uint8_t>{0, 0, 2, 0, 3, 0}, 0},
        {"PNG entry skipped", pngEntry, 2},
        {"entry beyond the end", farOffset, 2},
        {"absurd width", hugeWidth, 2},
        {"directory longer than the bytes", twoEntriesClaimed, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeIconResource(c.bytes).size(), c.images) << c.name;
    }
}

}  // namespace
}  // namespace qv
