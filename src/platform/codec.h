#pragma once

#include <string>
#include <string_view>

// Conversion between the program's GBK texts and UTF-8, used only where texts
// cross into the toolkit, the terminal or the file system.

namespace qv::platform {

/// GBK bytes to UTF-8; a byte sequence that is not GBK becomes U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

/// UTF-8 to GBK; a character GBK lacks becomes "?".
std::string utf8ToGbk(std::string_view utf8);

}  // namespace qv::platform
