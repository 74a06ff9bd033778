#include "teskchat/text_extent_cache.h"

#include <algorithm>

namespace teskchat {
namespace {
constexpr uint16_t kUnknown = 0xFFFF;
constexpr size_t kUnits = 0x10000;
}  // namespace

TextExtentCache::TextExtentCache(const QFont& font) : metrics_(font), advances_(new uint16_t[kUnits]) {
    std::fill(advances_.get(), advances_.get() + kUnits, kUnknown);
}

bool TextExtentCache::NeedsShaping(char16_t c) {
    return c < 0x20                          // tabs advance to the next stop
        || (c >= 0x0300 && c < 0x1100)      // combining marks and the scripts that shape
        || (c >= 0x1AB0 && c < 0x1B00) || (c >= 0x1DC0 && c < 0x1E00)
        || (c >= 0x200B && c < 0x2070)      // zero-width and direction controls
        || (c >= 0x20D0 && c < 0x2100)
        || (c >= 0x3099 && c <= 0x309A)     // combining voiced marks
        || (c >= 0xD800 && c < 0xE000)      // surrogate pairs
        || (c >= 0xFB1D && c < 0xFE10) || (c >= 0xFE20 && c < 0xFE30) || (c >= 0xFE70 && c < 0xFF00);
}

int TextExtentCache::Width(QStringView text) {
    int64_t total = 0;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (NeedsShaping(c)) return metrics_.horizontalAdvance(text.toString());
        uint16_t& advance = advances_[c];
        if (advance == kUnknown) advance = static_cast<uint16_t>(std::clamp(metrics_.horizontalAdvance(ch), 0, 0xFFFE));
        total += advance;
    }
    return static_cast<int>(std::min<int64_t>(total, INT32_MAX));
}

}  // namespace teskchat
