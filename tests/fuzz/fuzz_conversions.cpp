// Fuzz target for the conversions: libFuzzer's entry point, plus a plain
// driver over seeded random inputs for builds without libFuzzer.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/conversions.h"

namespace {

void check(bool ok, const char* what, const std::string& input) {
    if (ok) return;
    std::fprintf(stderr, "property failed: %s; input bytes:", what);
    for (unsigned char c : input) std::fprintf(stderr, " %02x", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

void checkText(const std::string& input) {
    using namespace qv;
    const Text folded = ToHalfWidth(input);
    check(folded.size() <= input.size(), "folding never grows a text", input);
    const double number = TextToNumber(input);
    const Text written = NumberToText(number);
    check(!written.empty(), "a number always writes", input);
    if (std::isfinite(number)) {
        // The written form reads back within its 13 significant digits.
        const double back = TextToNumber(written);
        const double tolerance = std::fabs(number) * 1e-12;
        check(std::fabs(back - number) <= tolerance || (back == 0 && number == 0),
              "NumberToText then TextToNumber keeps 13 digits", input);
    }
    (void)TextToInteger(input);
    (void)RoundDecimal(number, static_cast<int>(input.size() % 45) - 22);
    (void)TruncateToInteger(number);
}

void checkBits(std::uint64_t bits, std::int32_t integer) {
    using namespace qv;
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    const std::string input(reinterpret_cast<const char*>(&bits), sizeof bits);
    const Text text = NumberToText(value);
    check(!text.empty() && text.size() <= 24, "number form is short", input);
    check(TextToInteger(NumberToText(integer)) == integer, "integers round-trip", input);
    check(TextToNumber(NumberToText(static_cast<double>(integer))) == integer,
          "integral numbers round-trip", input);
    if (std::isfinite(value) && std::fabs(value) < 1e13 && value == std::trunc(value)) {
        check(TextToNumber(text) == value, "whole numbers below 1e13 round-trip", input);
    }
    for (int places = -3; places <= 3; ++places) {
        const double r = RoundDecimal(value, places);
        check(std::isnan(value) == std::isnan(r), "rounding keeps not-a-number", input);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    checkText(input);
    if (size >= 12) {
        std::uint64_t bits = 0;
        std::int32_t integer = 0;
        std::memcpy(&bits, data, 8);
        std::memcpy(&integer, data + 8, 4);
        checkBits(bits, integer);
    }
    return 0;
}

#ifndef QUORVEL_LIBFUZZER
int main(int argc, char** argv) {
    const long iterations = argc > 1 ? std::atol(argv[1]) : 200000;
    std::mt19937_64 random(20261211);
    const char alphabet[] = "0123456789+-.eEdD \t%Mx,\xa3\xb0\xb9\xae\xad\xab\xa1\xd4";
    for (long i = 0; i < iterations; ++i) {
        std::string input;
        const auto length = random() % 24;
        for (std::size_t k = 0; k < length; ++k) {
            input += (random() % 4 == 0) ? static_cast<char>(random() % 256)
                                         : alphabet[random() % (sizeof alphabet - 1)];
        }
        checkText(input);
        checkBits(random(), static_cast<std::int32_t>(random()));
    }
    std::printf("fuzz_conversions: %ld inputs, no failure\n", iterations);
    return 0;
}
#endif
