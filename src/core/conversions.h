#pragma once

#include <cstdint>
#include <initializer_list>

#include "core/text.h"

// The number and text conversions on which every displayed and parsed figure
// rests. What one part of the program writes into a caption another part reads
// back, so the rules here are exact. All functions are pure.

namespace qv {

/// "%d": signed decimal digits, "-" when negative.
Text NumberToText(std::int32_t value);

/// "%.13g" with an exponent of at least three digits, halves rounded away from
/// zero, "-0" for negative zero, and "1.#INF", "-1.#IND", "1.#QNAN", "1.#SNAN"
/// for values that are not finite.
Text NumberToText(double value);

/// Rounds half away from zero to `places` decimals (negative: to tens, hundreds
/// ...), lifting the scaled magnitude by 1e-12 first so that a hair below a half
/// still goes up. Zero and not-a-number come back unchanged.
double RoundDecimal(double value, int places = 0);

/// The longest leading decimal number of the folded text, 0 when there is none.
double TextToNumber(TextView text);

/// The leading decimal integer of the folded text, wrapping around in 32 bits.
std::int32_t TextToInteger(TextView text);

/// Toward zero; outside the 64-bit range and not-a-number give INT64_MIN.
std::int64_t TruncateToInteger(double value);

/// The pieces joined in order.
Text ConcatText(std::initializer_list<TextView> pieces);

/// Folds full-width digits, signs, letters and a few symbols of GBK to their
/// ASCII forms; drops a lead byte that ends the text.
Text ToHalfWidth(TextView text);

/// The low 32 bits of a wide integer, read as signed.
constexpr std::int32_t LowBits32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

}  // namespace qv
