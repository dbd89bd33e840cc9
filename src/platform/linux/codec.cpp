#include "platform/codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace qv::platform {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

/// A converter kept open for the whole run: opening one costs more than most
/// of the conversions the program makes (a caption a second).
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != kNoConverter) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    /// The converter reset to its initial state, locked for one conversion.
    iconv_t acquire(std::unique_lock<std::mutex>& lock) {
        lock = std::unique_lock<std::mutex>(m_mutex);
        if (m_cd != kNoConverter) iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return m_cd;
    }

private:
    std::mutex m_mutex;
    iconv_t m_cd;
};

// One conversion with iconv, replacing what cannot be converted.
std::string convert(Converter& converter, bool fromGbk, std::string_view input,
                    std::string_view replacement) {
    std::unique_lock<std::mutex> lock;
    const iconv_t cd = converter.acquire(lock);
    if (cd == kNoConverter) return std::string(input);
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
            (static_cast<unsigned char>(*in) >= 0x80 && inLeft >= 2 && fromGbk)
                ? 2
                : 1;
        in += skip;
        inLeft -= skip;
    }
    return output;
}

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
    static Converter fromGbk("UTF-8", "GBK");
    return convert(fromGbk, true, gbk, "\xef\xbf\xbd");
}

std::string utf8ToGbk(std::string_view utf8) {
    // TRANSLIT turns a character that GBK lacks into "?"; bytes that are not
    // UTF-8 at all become "?" too.
    static Converter toGbk("GBK//TRANSLIT", "UTF-8");
    return convert(toGbk, false, utf8, "?");
}

}  // namespace qv::platform
