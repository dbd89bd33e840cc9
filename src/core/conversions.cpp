#include "core/conversions.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace qv {
namespace {

constexpr int kSignificantDigits = 13;
constexpr double kRoundingNudge = 1e-12;

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

Text nonFiniteText(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const std::string sign = negative ? "-" : "";
    if (std::isinf(value)) return sign + "1.#INF";
    constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 51;
    constexpr std::uint64_t kPayloadMask = kQuietBit - 1;
    const bool quiet = (bits & kQuietBit) != 0;
    const std::uint64_t payload = bits & kPayloadMask;
    // The value that 0 / 0 yields: sign bit set, quiet, empty payload.
    if (negative && quiet && payload == 0) return "-1.#IND";
    return sign + (quiet ? "1.#QNAN" : "1.#SNAN");
}

struct Digits {
    std::array<char, kSignificantDigits> digit{};
    int exponent = 0;  // decimal exponent of the first digit
};

// Takes the 17-digit expansion and rounds it to 13 digits, half away from zero.
Digits significantDigits(double magnitude) {
    // to_chars, not printf: the locale's decimal point must not leak in.
    char buffer[40] = {};
    std::to_chars(buffer, buffer + sizeof buffer - 1, magnitude, std::chars_format::scientific, 16);
    // buffer: d.dddddddddddddddde[+-]XX
    std::array<int, 17> all{};
    all[0] = buffer[0] - '0';
    for (int i = 1; i < 17; ++i) all[i] = buffer[i + 1] - '0';
    Digits out;
    out.exponent = std::atoi(buffer + 19);
    bool carry = all[kSignificantDigits] >= 5;
    for (int i = kSignificantDigits - 1; i >= 0; --i) {
        int d = all[i] + (carry ? 1 : 0);
        carry = d == 10;
        out.digit[i] = static_cast<char>('0' + (carry ? 0 : d));
    }
    if (carry) {  // 9.999...95 became 10.00...: the exponent comes from the carried value
        out.digit.fill('0');
        out.digit[0] = '1';
        ++out.exponent;
    }
    return out;
}

void stripFraction(std::string& text) {
    const auto point = text.find('.');
    if (point == std::string::npos) return;
    auto end = text.find_last_not_of('0');
    if (end == point) --end;
    text.erase(end + 1);
}

Text exponentForm(const Digits& d) {
    std::string mantissa(1, d.digit[0]);
    mantissa += '.';
    mantissa.append(d.digit.begin() + 1, d.digit.end());
    stripFraction(mantissa);
    std::string exponent = std::to_string(d.exponent < 0 ? -d.exponent : d.exponent);
    if (exponent.size() < 3) exponent.insert(0, 3 - exponent.size(), '0');
    return mantissa + (d.exponent < 0 ? "e-" : "e+") + exponent;
}

Text positionalForm(const Digits& d) {
    std::string text;
    if (d.exponent < 0) {
        text = "0.";
        text.append(static_cast<std::size_t>(-d.exponent - 1), '0');
        text.append(d.digit.begin(), d.digit.end());
    } else {
        const auto whole = static_cast<std::size_t>(d.exponent + 1);
        text.assign(d.digit.begin(), d.digit.begin() + whole);
        text += '.';
        text.append(d.digit.begin() + whole, d.digit.end());
    }
    stripFraction(text);
    return text;
}

// Splits y into its integer part and its fraction and rounds the half up.
double roundHalfUp(double y) {
    double whole = 0.0;
    const double fraction = std::modf(y + kRoundingNudge, &whole);
    return fraction >= 0.5 ? whole + 1.0 : whole;
}

double powerOfTen(int n) {
    double p = 1.0;
    for (int i = 0; i < n; ++i) p *= 10.0;  // exact for n up to 22
    return p;
}

// Decimal value parsed out of a folded text: sign, digits and exponent.
struct DecimalParts {
    bool negative = false;
    std::string integerDigits;
    std::string fractionDigits;
    std::string exponent;  // with its sign, digits only; empty when none
};

bool readDecimal(TextView s, DecimalParts& out) {
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i])) ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) out.negative = s[i++] == '-';
    while (i < s.size() && isDigit(s[i])) out.integerDigits += s[i++];
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        while (j < s.size() && isDigit(s[j])) out.fractionDigits += s[j++];
        if (!out.integerDigits.empty() || !out.fractionDigits.empty()) i = j;
    }
    if (out.integerDigits.empty() && out.fractionDigits.empty()) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
        const std::size_t firstDigit = j;
        while (j < s.size() && isDigit(s[j])) exponent += s[j++];
        if (j > firstDigit) out.exponent = exponent;
    }
    return true;
}

// Decimal exponent of the first non-zero digit, saturated; used only to tell an
// overflow from an underflow.
long long leadingExponent(const DecimalParts& p) {
    long long exponent = 0;
    bool exponentNegative = false;
    for (char c : p.exponent) {
        if (c == '-') exponentNegative = true;
        if (!isDigit(c)) continue;
        if (exponent < 1'000'000'000) exponent = exponent * 10 + (c - '0');
    }
    if (exponentNegative) exponent = -exponent;
    const auto firstNonZero = p.integerDigits.find_first_not_of('0');
    if (firstNonZero != std::string::npos)
        return exponent + static_cast<long long>(p.integerDigits.size() - firstNonZero) - 1;
    const auto inFraction = p.fractionDigits.find_first_not_of('0');
    if (inFraction == std::string::npos) return std::numeric_limits<long long>::min();
    return exponent - static_cast<long long>(inFraction) - 1;
}

// Below this every whole number has at most 13 digits, which %.13g prints
// exactly and without a point.
constexpr double kWholeNumbersPrintedPlainly = 1e13;
// Up to 15 digits a whole number is exact in a double.
constexpr std::size_t kExactWholeDigits = 15;

// The figures of every refresh are mostly whole numbers (megabytes, percents):
// printing them without the shortest-digits tables keeps those tables' pages
// out of an idle program.
std::optional<Text> wholeNumberText(double magnitude) {
    if (magnitude >= kWholeNumbersPrintedPlainly || std::trunc(magnitude) != magnitude)
        return std::nullopt;
    return std::to_string(static_cast<std::uint64_t>(magnitude));
}

std::optional<double> exactWholeNumber(const DecimalParts& parts) {
    if (!parts.exponent.empty() || parts.integerDigits.size() > kExactWholeDigits) return std::nullopt;
    if (parts.fractionDigits.find_first_not_of('0') != std::string::npos) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : parts.integerDigits) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    return static_cast<double>(value);
}

}  // namespace

Text NumberToText(std::int32_t value) { return std::to_string(value); }

Text NumberToText(double value) {
    if (!std::isfinite(value)) return nonFiniteText(value);
    const std::string sign = std::signbit(value) ? "-" : "";
    if (value == 0.0) return sign + "0";
    if (auto whole = wholeNumberText(std::fabs(value))) return sign + *whole;
    const Digits d = significantDigits(std::fabs(value));
    const bool exponential = d.exponent < -4 || d.exponent >= kSignificantDigits;
    return sign + (exponential ? exponentForm(d) : positionalForm(d));
}

double RoundDecimal(double value, int places) {
    if (value == 0.0 || std::isnan(value)) return value;
    const bool negative = value < 0;
    const double magnitude = std::fabs(value);
    double rounded = 0.0;
    if (places > 0) {
        const double p = powerOfTen(places);
        const double scaled = magnitude * p;
        rounded = roundHalfUp(scaled) / p;
    } else if (places == 0) {
        rounded = roundHalfUp(magnitude);
    } else {
        const double p = powerOfTen(-places);
        const double scaled = magnitude / p;
        rounded = roundHalfUp(scaled) * p;
    }
    return negative ? -rounded : rounded;
}

double TextToNumber(TextView text) {
    const Text folded = ToHalfWidth(text);
    DecimalParts parts;
    if (!readDecimal(folded, parts)) return 0.0;
    if (auto whole = exactWholeNumber(parts)) return parts.negative ? -*whole : *whole;
    std::string canonical = parts.integerDigits.empty() ? "0" : parts.integerDigits;
    canonical += '.';
    canonical += parts.fractionDigits.empty() ? "0" : parts.fractionDigits;
    if (!parts.exponent.empty()) canonical += 'e' + parts.exponent;

    double magnitude = 0.0;
    const auto [end, error] =
        std::from_chars(canonical.data(), canonical.data() + canonical.size(), magnitude);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        magnitude = leadingExponent(parts) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return parts.negative ? -magnitude : magnitude;
}

std::int32_t TextToInteger(TextView text) {
    const Text folded = ToHalfWidth(text);
    std::size_t i = 0;
    while (i < folded.size() && isSpace(folded[i])) ++i;
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) negative = folded[i++] == '-';
    std::uint32_t value = 0;  // unsigned, so that wrapping around is defined
    while (i < folded.size() && isDigit(folded[i])) {
        value = value * 10u + static_cast<std::uint32_t>(folded[i++] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::int64_t TruncateToInteger(double value) {
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (std::isnan(value) || value >= kTwoTo63 || value < -kTwoTo63) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(value);
}

Text ConcatText(std::initializer_list<TextView> pieces) {
    std::size_t total = 0;
    for (TextView piece : pieces) total += piece.size();
    Text joined;
    joined.reserve(total);
    for (TextView piece : pieces) joined.append(piece);
    return joined;
}

Text ToHalfWidth(TextView text) {
    Text folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (!isLeadByte(lead)) {
            folded += static_cast<char>(lead);
            continue;
        }
        if (i + 1 >= text.size()) break;  // a lone lead byte at the end is dropped
        const auto trail = static_cast<unsigned char>(text[++i]);
        if (lead == 0xA1 && trail == 0xA1) {
            folded += ' ';
        } else if (lead == 0xA1 && trail == 0xAB) {
            folded += '~';
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            folded += '*';
        } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            folded += static_cast<char>(trail & 0x7F);
        } else {
            folded += static_cast<char>(lead);
            folded += static_cast<char>(trail);
        }
    }
    return folded;
}

}  // namespace qv
