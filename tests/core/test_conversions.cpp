#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/conversions.h"

namespace qv {
namespace {

const double kInf = std::numeric_limits<double>::infinity();

double zero() { return 0.0; }  // keeps 0 / 0 out of constant folding

struct NumberCase {
    double value;
    const char* text;
};

TEST(NumberToText, NumberFormFollowsThirteenDigitRules) {
    const NumberCase cases[] = {
        {1523.0, "1523"},
        {-3.5, "-3.5"},
        {0.13, "0.13"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.3333333333333"},
        {2.0 / 3.0, "0.6666666666667"},
        {9999999999999.0, "9999999999999"},
        {1e13, "1e+013"},
        {12345678901234.0, "1.234567890123e+013"},
        {0.0001, "0.0001"},
        {0.00001, "1e-005"},
        {1e308, "1e+308"},
        {-0.0, "-0"},
        {0.0, "0"},
        {75.0, "75"},
        {11.77, "11.77"},
        {9999999999999.5, "1e+013"},       // the carry gives the exponent
        {1234567890122.5, "1234567890123"},  // an exact half goes away from zero
        {-1234567890122.5, "-1234567890123"},
        {5e-324, "4.940656458412e-324"},
        {123.456, "123.456"},
        {1e-4 * 1.5, "0.00015"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumberToText(c.value), c.text) << "value " << c.value;
    }
}

TEST(NumberToText, NonFiniteValues) {
    EXPECT_EQ(NumberToText(kInf), "1.#INF");
    EXPECT_EQ(NumberToText(-kInf), "-1.#INF");
    EXPECT_EQ(NumberToText(zero() / zero()), "-1.#IND");
    EXPECT_EQ(NumberToText(std::bit_cast<double>(0x7FF8000000000000ull)), "1.#QNAN");
    EXPECT_EQ(NumberToText(std::bit_cast<double>(0xFFF8000000000001ull)), "-1.#QNAN");
    EXPECT_EQ(NumberToText(std::bit_cast<double>(0x7FF0000000000001ull)), "1.#SNAN");
    EXPECT_EQ(NumberToText(std::bit_cast<double>(0xFFF0000000000001ull)), "-1.#SNAN");
}

TEST(NumberToText, IntegerForm) {
    EXPECT_EQ(NumberToText(std::int32_t{1023}), "1023");
    EXPECT_EQ(NumberToText(std::int32_t{-15}), "-15");
    EXPECT_EQ(NumberToText(std::int32_t{0}), "0");
    EXPECT_EQ(NumberToText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
}

struct RoundCase {
    double value;
    int places;
    double expected;
};

TEST(RoundDecimal, HalfAwayFromZeroWithNudge) {
    const RoundCase cases[] = {
        {0.125, 2, 0.13},    {2.675, 2, 2.68},  {1.005, 2, 1.01},      {2.5, 0, 3.0},
        {-2.5, 0, -3.0},     {0.4999999999995, 0, 1.0}, {45.5, 0, 46.0},   {1234.5678, -2, 1200.0},
        {1250.0, -2, 1300.0}, {11.773756980895996, 2, 11.77}, {75.03663898387885, 0, 75.0},
        {0.4, 0, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundDecimal(c.value, c.places), c.expected)
            << c.value << " to " << c.places << " places";
    }
}

TEST(RoundDecimal, SignedZeroAndNonFinitePassThrough) {
    const double negativeZero = RoundDecimal(-0.004, 2);
    EXPECT_EQ(negativeZero, 0.0);
    EXPECT_TRUE(std::signbit(negativeZero));
    EXPECT_EQ(NumberToText(negativeZero), "-0");
    EXPECT_TRUE(std::signbit(RoundDecimal(-0.0, 2)));
    EXPECT_FALSE(std::signbit(RoundDecimal(0.0, 2)));
    EXPECT_EQ(RoundDecimal(kInf, 2), kInf);
    EXPECT_EQ(RoundDecimal(-kInf, 0), -kInf);
    EXPECT_TRUE(std::isnan(RoundDecimal(zero() / zero(), 0)));
}

struct ParseCase {
    const char* text;
    double expected;
};

TEST(TextToNumber, LongestLeadingDecimal) {
    const ParseCase cases[] = {
        {"1523  M", 1523},
        {"  42.5abc", 42.5},
        {"\xa3\xb3\xa3\xb0", 30},                  // "３０"
        {"\xa3\xad\xa3\xb2\xa3\xae\xa3\xb5", -2.5},  // "－２．５"
        {"1e3", 1000},
        {"1d3", 1000},
        {"1D3", 1000},
        {"1e", 1},
        {"12e+", 12},
        {".", 0},
        {".5", 0.5},
        {"-.5", -0.5},
        {"5.", 5},
        {"+", 0},
        {"0x1A", 0},
        {"1,024", 1},
        {"", 0},
        {"  M", 0},
        {"\t\n\v\f\r 7", 7},
        {"007", 7},
        {"inf", 0},
        {"nan", 0},
        {"\xd4\xbc" "30", 0},  // "约30": a Chinese character passes unchanged
        {"0.5", 0.5},
        {"1e400", kInf},
        {"-1e400", -kInf},
        {"\xa1\xa1" "8", 8},  // an ideographic space leads
        {"999999999999999", 999999999999999.0},        // 15 digits: still exact
        {"9007199254740993", 9007199254740992.0},      // past 2^53: nearest double
        {"12.000", 12},
        {"-40", -40},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToNumber(c.text), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(TextToNumber, UnderflowKeepsTheSign) {
    EXPECT_EQ(TextToNumber("1e-400"), 0.0);
    EXPECT_FALSE(std::signbit(TextToNumber("1e-400")));
    EXPECT_TRUE(std::signbit(TextToNumber("-1e-400")));
    EXPECT_TRUE(std::signbit(TextToNumber("-0")));
    EXPECT_TRUE(std::signbit(TextToNumber("-0.00")));
}

struct IntegerCase {
    const char* text;
    std::int32_t expected;
};

TEST(TextToInteger, LeadingIntegerWrapsAround) {
    const IntegerCase cases[] = {
        {"37 %", 37},           {"1523  M", 1523},         {"  -12x", -12},
        {"+8", 8},              {"4294967297", 1},         {"2147483648", -2147483648},
        {"", 0},                {"12.9", 12},              {"1e3", 1},
        {"-1 %", -1},           {"\xa3\xb9\xa3\xb9", 99},  {"-", 0},
        {"99999999999999999999", static_cast<std::int32_t>(1661992959u)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToInteger(c.text), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(ToHalfWidth, FoldsTheFullWidthRow) {
    EXPECT_EQ(ToHalfWidth("\xa3\xb0\xa3\xb9\xa3\xae\xa3\xab\xa3\xad\xa3\xc5\xa3\xe5"), "09.+-Ee");
    EXPECT_EQ(ToHalfWidth("\xa3\xa4"), "$");   // "￥"
    EXPECT_EQ(ToHalfWidth("\xa3\xfe"), "~");   // "￣"
    EXPECT_EQ(ToHalfWidth("\xa1\xa1"), " ");   // ideographic space
    EXPECT_EQ(ToHalfWidth("\xa1\xab"), "~");   // "～"
    EXPECT_EQ(ToHalfWidth("\xa1\xee\xa1\xef"), "**");
    EXPECT_EQ(ToHalfWidth("ab\xd4"), "ab");    // a lone lead byte at the end is dropped
    EXPECT_EQ(ToHalfWidth("\xd4\xbc"), "\xd4\xbc");
    EXPECT_EQ(ToHalfWidth("\x95\x5c" "1"), "\x95\x5c" "1");  // trail 0x5C stays part of its character
    EXPECT_EQ(ToHalfWidth("a b"), "a b");
}

TEST(TruncateToInteger, TowardZeroAndOutOfRange) {
    EXPECT_EQ(TruncateToInteger(3 * 60000.0), 180000);
    EXPECT_EQ(TruncateToInteger(-0.5), 0);
    EXPECT_EQ(TruncateToInteger(2.9), 2);
    EXPECT_EQ(TruncateToInteger(-2.9), -2);
    const auto kMin = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(TruncateToInteger(9223372036854775808.0), kMin);
    EXPECT_EQ(TruncateToInteger(-1e300), kMin);
    EXPECT_EQ(TruncateToInteger(kInf), kMin);
    EXPECT_EQ(TruncateToInteger(zero() / zero()), kMin);
    EXPECT_EQ(TruncateToInteger(9223372036854774784.0), 9223372036854774784LL);
}

TEST(LowBits32, KeepsTheLowWord) {
    EXPECT_EQ(LowBits32(TruncateToInteger(71583 * 60000.0)), 12704);
    EXPECT_LT(LowBits32(TruncateToInteger(35792 * 60000.0)), 0);
    EXPECT_EQ(LowBits32(TruncateToInteger(0.5 * 60000.0)), 30000);
}

TEST(ConcatText, JoinsInOrder) {
    EXPECT_EQ(ConcatText({"a", "", "b"}), "ab");
    EXPECT_EQ(ConcatText({"", ""}), "");
    EXPECT_EQ(ConcatText({"1536", "  M"}), "1536  M");
}

}  // namespace
}  // namespace qv
