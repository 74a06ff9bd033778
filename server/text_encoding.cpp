#include "server/text_encoding.h"

#include <cerrno>
#include <iconv.h>

namespace server {
namespace {

// Converts; on an unconvertible sequence either fails or puts '?' and skips one byte.
std::optional<std::string> Convert(const char* to, const char* from, const std::string& in, bool lenient) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            if (!lenient) {
                iconv_close(cd);
                return std::nullopt;
            }
            out += '?';
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToCp932(const std::string& utf8) { return Convert("CP932", "UTF-8", utf8, false); }

std::string Cp932ToUtf8(const std::string& cp932) { return Convert("UTF-8", "CP932", cp932, true).value_or(cp932); }

}  // namespace server
