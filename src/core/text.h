#pragma once

#include <string>
#include <string_view>

namespace qv {

/// A text of the program: a sequence of non-zero bytes in GBK (code page 936).
/// A byte of 0x80 or above starts a two-byte character. An absent text and the
/// empty text are the same, so the empty string stands for both.
using Text = std::string;
using TextView = std::string_view;

/// True when the byte starts a two-byte GBK character.
constexpr bool isLeadByte(unsigned char byte) { return byte >= 0x80; }

/// Position of the last byte 0x5C in `text` that is a character of its own,
/// not the second byte of a two-byte character; npos when there is none.
std::size_t findLastBackslash(TextView text);

}  // namespace qv
