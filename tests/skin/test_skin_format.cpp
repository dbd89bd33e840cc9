#include <gtest/gtest.h>

#include <functional>

#include "skin/format/colour.h"
#include "skin/format/skin_file.h"
#include "skin_test_support.h"

namespace qv::skin {
namespace {

using Bytes = std::vector<std::uint8_t>;

SkinFile sampleSkin() {
    SkinFile skin;
    skin.minorVersion = 3;
    skin.name = "Sample";
    skin.palette[static_cast<std::size_t>(ColourRole::Window)] = Rgba{1, 2, 3, 255};
    skin.palette[static_cast<std::size_t>(ColourRole::Highlight)] = Rgba{200, 100, 50, 128};
    skin.styleSheet = "QWidget {\n\tcolor: #102030;\r\n}";
    return skin;
}

void putU32At(Bytes& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes section(const std::string& tag, const std::string& body) {
    Bytes out = test::bytesOf(tag);
    out.resize(8);
    putU32At(out, 4, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A header with `count` sections, followed by the given sections.
Bytes skinBytes(std::uint16_t count, std::initializer_list<Bytes> sections) {
    Bytes out = test::bytesOf(".SHE");
    out.insert(out.end(), {1, 0, static_cast<std::uint8_t>(count & 0xff), static_cast<std::uint8_t>(count >> 8)});
    for (const auto& s : sections) out.insert(out.end(), s.begin(), s.end());
    return out;
}

const std::string kOneEntry = std::string("\x00\x10\x20\x30\xff", 5);

TEST(SkinFileFormat, EncodedSkinReadsBackEqual) {
    const SkinFile skin = sampleSkin();
    const Bytes bytes = encodeSkinFile(skin);
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 4), ".SHE");
    EXPECT_EQ(parseSkinFile(bytes), skin);
}

TEST(SkinFileFormat, OrdinaryNumbersAndColoursAreAccepted) {
    SkinFile skin = sampleSkin();
    skin.styleSheet = "a { margin: 999px; font-size: 0012pt; color: #123456; width: 100000; }";
    EXPECT_EQ(parseSkinFile(encodeSkinFile(skin)), skin);
}

TEST(SkinFileFormat, UnknownSectionsAreSkipped) {
    const auto skin = parseSkinFile(skinBytes(2, {section("XTRA", "\x01\x02"), section("PALT", kOneEntry)}));
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->palette[0], (Rgba{0x10, 0x20, 0x30, 0xff}));
}

struct MalformedCase {
    const char* what;
    std::function<Bytes()> make;
    friend void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.what; }
};

class MalformedSkinFile : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedSkinFile, IsRejected) { EXPECT_FALSE(parseSkinFile(GetParam().make())); }

Bytes validBytes() { return encodeSkinFile(sampleSkin()); }

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedSkinFile,
    ::testing::Values(
        MalformedCase{"empty", [] { return Bytes{}; }},
        MalformedCase{"magic only", [] { return test::bytesOf(".SHE"); }},
        MalformedCase{"wrong magic", [] { auto b = validBytes(); b[1] = 's'; return b; }},
        MalformedCase{"other major version", [] { auto b = validBytes(); b[4] = 2; return b; }},
        MalformedCase{"truncated by one byte", [] { auto b = validBytes(); b.pop_back(); return b; }},
        MalformedCase{"trailing byte", [] { auto b = validBytes(); b.push_back(0); return b; }},
        MalformedCase{"more sections announced than present",
                      [] { return skinBytes(2, {section("PALT", kOneEntry)}); }},
        MalformedCase{"section length past the end",
                      [] { auto b = skinBytes(1, {section("PALT", kOneEntry)}); putU32At(b, 12, 0xffffffffu); return b; }},
        MalformedCase{"too many sections", [] { return skinBytes(17, {}); }},
        MalformedCase{"no palette", [] { return skinBytes(1, {section("NAME", "x")}); }},
        MalformedCase{"two palettes",
                      [] { return skinBytes(2, {section("PALT", kOneEntry), section("PALT", "")}); }},
        MalformedCase{"palette entry cut short", [] { return skinBytes(1, {section("PALT", std::string("\x00\x01", 2))}); }},
        MalformedCase{"colour role out of range",
                      [] { return skinBytes(1, {section("PALT", std::string("\x13\x01\x02\x03\x04", 5))}); }},
        MalformedCase{"colour role repeated", [] { return skinBytes(1, {section("PALT", kOneEntry + kOneEntry)}); }},
        MalformedCase{"name with a control byte",
                      [] { return skinBytes(2, {section("PALT", kOneEntry), section("NAME", "a\x01")}); }},
        MalformedCase{"name too long",
                      [] { return skinBytes(2, {section("PALT", kOneEntry), section("NAME", std::string(65, 'n'))}); }},
        MalformedCase{"style sheet with a zero byte",
                      [] { return skinBytes(2, {section("PALT", kOneEntry), section("QSS ", std::string("a\0b", 3))}); }},
        MalformedCase{"style sheet with high bytes",
                      [] { return skinBytes(2, {section("PALT", kOneEntry), section("QSS ", "color: \xc4\xda;")}); }},
        MalformedCase{"style sheet naming an outside file",
                      [] { return skinBytes(2, {section("PALT", kOneEntry), section("QSS ", "a { image: URL(/etc/x); }")}); }},
        MalformedCase{"style sheet with an absurd length",
                      [] { return skinBytes(2, {section("PALT", kOneEntry), section("QSS ", "a { font-size: 2000000PX; }")}); }},
        MalformedCase{"style sheet with an absurd length after zeros",
                      [] { return skinBytes(2, {section("PALT", kOneEntry), section("QSS ", "a { margin: 0001000em; }")}); }},
        MalformedCase{"style sheet too long", [] {
            return skinBytes(2, {section("PALT", kOneEntry), section("QSS ", std::string((64u << 10) + 1, ' '))});
        }}),
    [](const auto& p) {
        std::string name = p.param.what;
        for (auto& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

struct ShiftCase {
    Rgba in;
    HsvShift shift;
    Rgba out;
};

class ColourShift : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(ColourShift, GivesTheExpectedColour) {
    EXPECT_EQ(shiftColour(GetParam().in, GetParam().shift), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColourShift,
    ::testing::Values(
        ShiftCase{{255, 0, 0, 255}, {120, 0, 0}, {0, 255, 0, 255}},        // red turns green
        ShiftCase{{255, 0, 0, 255}, {-120, 0, 0}, {0, 0, 255, 255}},       // and back round to blue
        ShiftCase{{255, 0, 0, 255}, {360 * 5 + 240, 0, 0}, {0, 0, 255, 255}},
        ShiftCase{{255, 0, 0, 7}, {0, -100, 0}, {255, 255, 255, 7}},       // no saturation, alpha kept
        ShiftCase{{200, 100, 50, 255}, {0, 0, -100}, {0, 0, 0, 255}},      // no value is black
        ShiftCase{{128, 128, 128, 255}, {0, 0, 100}, {255, 255, 255, 255}},
        ShiftCase{{128, 128, 128, 255}, {0, 0, 1000}, {255, 255, 255, 255}},  // clamped
        ShiftCase{{10, 20, 30, 40}, {0, 0, 0}, {10, 20, 30, 40}},
        ShiftCase{{10, 20, 30, 40}, {INT32_MIN, INT32_MIN, INT32_MIN}, {0, 0, 0, 40}}));

TEST(StyleSheetColours, OnlyWholeRgbHexWordsChange) {
    ColourTransform invert;
    invert.shift = HsvShift{180, 0, 0};
    EXPECT_EQ(transformStyleSheet("a { color: #ff0000; b: #ff000080; c: #ff00; d: ff0000 }", invert),
              "a { color: #00ffff; b: #ff000080; c: #ff00; d: ff0000 }");
    EXPECT_EQ(transformStyleSheet("x: #FF0000", invert), "x: #00ffff");
    EXPECT_EQ(transformStyleSheet("x: #ff0000", ColourTransform{}), "x: #ff0000");
}

TEST(StyleSheetColours, TintAndFrostMoveColoursTowardsTintAndWhite) {
    ColourTransform glass;
    glass.tint = Rgba{0, 0, 255, 255};
    glass.tintPercent = 50;
    EXPECT_EQ(glass.apply(Rgba{200, 0, 0, 255}), (Rgba{100, 0, 128, 255}));
    glass.frostPercent = 100;  // a quarter of the way to white
    EXPECT_EQ(glass.apply(Rgba{200, 0, 0, 255}), (Rgba{139, 64, 160, 255}));
}

}  // namespace
}  // namespace qv::skin
