#include "platform/codec.h"

// Without a conversion library texts pass unchanged; ASCII stays right.

namespace qv::platform {

std::string gbkToUtf8(std::string_view gbk) { return std::string(gbk); }
std::string utf8ToGbk(std::string_view utf8) { return std::string(utf8); }

}  // namespace qv::platform
