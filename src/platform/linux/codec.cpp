#include "platform/codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace qv::platform {
namespace {

// One conversion with iconv, replacing what cannot be converted.
std::string convert(const char* to, const char* from, std::string_view input,
                    std::string_view replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
    std::string output;
    output.reserve(input.size() * 3 / 2 + 4);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        if (rc != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: skip one byte (a whole lead and trail where it can)
        output.append(replacement);
        const std::size_t skip =
            (static_cast<unsigned char>(*in) >= 0x80 && inLeft >= 2 && std::strcmp(from, "GBK") == 0)
                ? 2
                : 1;
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return output;
}

}  // namespace

std::string gbkToUtf8(std::string_view gbk) { return convert("UTF-8", "GBK", gbk, "\xef\xbf\xbd"); }

std::string utf8ToGbk(std::string_view utf8) {
    // TRANSLIT turns a character that GBK lacks into "?"; bytes that are not
    // UTF-8 at all become "?" too.
    return convert("GBK//TRANSLIT", "UTF-8", utf8, "?");
}

}  // namespace qv::platform
