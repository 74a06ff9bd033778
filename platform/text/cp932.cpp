#include "platform/text/cp932.h"

#include "platform/text/carried_text.h"

#include <QList>
#include <cerrno>
#include <iconv.h>

namespace platform {
namespace {

// glibc's "CP932" keeps 0x5C as the backslash and accepts the vendor extensions, as Windows does.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view input, bool lenient) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    out.resize(input.size() * 4 + 8);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    bool ok = true;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {  // cannot happen with the 4x buffer, but stay safe
            size_t used = out.size() - outLeft;
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        if (!lenient) { ok = false; break; }
        // Replace one offending byte and go on.
        if (outLeft < 1) break;
        *outPtr++ = '?';
        --outLeft;
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) { return Convert("UTF-8", "CP932", cp932, false); }

std::optional<std::string> Utf8ToCp932(std::string_view utf8) { return Convert("CP932", "UTF-8", utf8, false); }

QString ToQString(std::string_view cp932) {
    auto utf8 = Convert("UTF-8", "CP932", cp932, true);
    return QString::fromStdString(utf8.value_or(std::string()));
}

std::string FromQString(const QString& text) {
    // Walk by code point so one unmappable character becomes one '?'.
    std::string out;
    const QByteArray utf8 = text.toUtf8();
    if (auto whole = Utf8ToCp932(std::string_view(utf8.constData(), utf8.size()))) return *whole;
    for (char32_t codePoint : text.toUcs4()) {
        const QByteArray one = QString::fromUcs4(&codePoint, 1).toUtf8();
        auto converted = Utf8ToCp932(std::string_view(one.constData(), one.size()));
        out += converted.value_or("?");
    }
    return out;
}

std::string CarriedText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToCarried(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

QString ShownText(std::string_view carried) { return QString::fromStdString(CarriedToUtf8(carried)); }

std::string Sjis(std::string_view utf8) { return Utf8ToCp932(utf8).value_or(std::string(utf8)); }

}  // namespace platform
