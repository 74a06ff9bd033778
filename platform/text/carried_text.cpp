#include "platform/text/carried_text.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>

namespace platform {
namespace {

constexpr std::string_view kReferenceStart = "&#x";
// What a literal "&" before "#x" is carried as.
constexpr std::string_view kEscapedAmpersand = "&#x26;";

bool IsLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads one UTF-8 sequence at text[i]; returns its length, or 0 for a malformed one.
std::size_t NextCodePoint(std::string_view text, std::size_t i, char32_t* cp) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    std::size_t length;
    char32_t value;
    if (b0 < 0x80) { *cp = b0; return 1; }
    if (b0 >= 0xC2 && b0 <= 0xDF) { length = 2; value = b0 & 0x1F; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { length = 3; value = b0 & 0x0F; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { length = 4; value = b0 & 0x07; }
    else return 0;
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        value = (value << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not characters.
    if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) || value > 0x10FFFF ||
        (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *cp = value;
    return length;
}

// Characters a reference may stand for when shown: no control characters (a line break must not
// come out of a reference) and only Unicode scalar values.
bool IsShownCodePoint(char32_t cp) {
    if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F)) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    return cp <= 0x10FFFF;
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (Ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Strict conversion of a short piece; false when any byte does not convert.
    bool Convert(std::string_view in, std::string& out) {
        out.clear();
        if (!Ok()) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[64];
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

private:
    iconv_t cd_;
};

void AppendReference(std::string& out, char32_t cp) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "&#x%X;", static_cast<unsigned>(cp));
    out += buffer;
}

}  // namespace

std::size_t CarriedReferenceLength(std::string_view text, char32_t* codePoint) {
    if (text.substr(0, kReferenceStart.size()) != kReferenceStart) return 0;
    char32_t value = 0;
    std::size_t i = kReferenceStart.size();
    while (i < text.size() && i - kReferenceStart.size() < 6 && HexValue(text[i]) >= 0) {
        value = value * 16 + static_cast<char32_t>(HexValue(text[i]));
        ++i;
    }
    if (i == kReferenceStart.size() || i >= text.size() || text[i] != ';') return 0;
    if (codePoint) *codePoint = value;
    return i + 1;
}

std::string Utf8ToCarried(std::string_view utf8) {
    Iconv toCp932("CP932", "UTF-8");
    Iconv fromCp932("UTF-8", "CP932");
    std::string out;
    out.reserve(utf8.size());
    std::string bytes;
    std::string back;
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        const std::size_t length = NextCodePoint(utf8, i, &cp);
        if (length == 0) {
            out += '?';
            ++i;
            continue;
        }
        const std::string_view one = utf8.substr(i, length);
        i += length;
        if (cp < 0x80) {
            if (cp == '&' && utf8.substr(i, kReferenceStart.size() - 1) == kReferenceStart.substr(1)) {
                out += kEscapedAmpersand;
            } else {
                out += static_cast<char>(cp);
            }
            continue;
        }
        if (toCp932.Convert(one, bytes) && fromCp932.Convert(bytes, back) && back == one) {
            out += bytes;
        } else {
            AppendReference(out, cp);
        }
    }
    return out;
}

std::string CarriedToUtf8(std::string_view carried) {
    Iconv fromCp932("UTF-8", "CP932");
    std::string out;
    out.reserve(carried.size() * 3 / 2);
    std::string piece;
    std::size_t i = 0;
    while (i < carried.size()) {
        const auto byte = static_cast<unsigned char>(carried[i]);
        char32_t cp = 0;
        if (byte == '&') {
            const std::size_t length = CarriedReferenceLength(carried.substr(i), &cp);
            if (length > 0 && IsShownCodePoint(cp)) {
                AppendUtf8(out, cp);
                i += length;
                continue;
            }
        }
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        const std::size_t length = IsLeadByte(byte) && i + 1 < carried.size() ? 2 : 1;
        if (fromCp932.Convert(carried.substr(i, length), piece)) {
            out += piece;
            i += length;
        } else {
            // Same as the lenient display conversion: one '?' for the offending byte.
            out += '?';
            ++i;
        }
    }
    return out;
}

std::size_t CarriedPrefixLength(std::string_view carried, std::size_t limit) {
    std::size_t end = 0;
    while (end < carried.size()) {
        std::size_t step = CarriedReferenceLength(carried.substr(end));
        if (step == 0) step = IsLeadByte(static_cast<unsigned char>(carried[end])) && end + 1 < carried.size() ? 2 : 1;
        if (end + step > limit) break;
        end += step;
    }
    return end;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace platform
