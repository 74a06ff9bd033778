#include "teskchat/search_text.h"

#include <algorithm>

namespace teskchat {
namespace {

// Half-width katakana U+FF61 to U+FF9F and their full-width forms.
constexpr char16_t kHalfWidthKana[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
constexpr char16_t kVoicedMark = 0xFF9E;
constexpr char16_t kSemiVoicedMark = 0xFF9F;

// The voiced (ガ) or semi-voiced (パ) form of a full-width katakana, or 0 when it has none.
char16_t Voiced(char16_t kana, bool semi) {
    if (semi) return (kana >= u'ハ' && kana <= u'ホ' && (kana - u'ハ') % 3 == 0) ? kana + 2 : 0;
    if (kana == u'ウ') return u'ヴ';
    if ((kana >= u'カ' && kana <= u'チ') && (kana - u'カ') % 2 == 0) return kana + 1;
    // ッ sits between チ and ツ, so the rows shift by one there.
    if ((kana >= u'ツ' && kana <= u'ト') && (kana - u'ツ') % 2 == 0) return kana + 1;
    if (kana >= u'ハ' && kana <= u'ホ' && (kana - u'ハ') % 3 == 0) return kana + 1;
    return 0;
}

}  // namespace

char16_t SearchText::FoldChar(char16_t c, bool kanaInsensitive) {
    if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(c - 0xFEE0);  // full-width ASCII
    else if (c == 0x3000) c = u' ';
    else if (c >= 0xFF61 && c <= 0xFF9F) c = kHalfWidthKana[c - 0xFF61];
    if (kanaInsensitive) {
        if (c >= 0x3041 && c <= 0x3096) c = static_cast<char16_t>(c + 0x60);  // ぁ..ゖ to ァ..ヶ
        else if (c == 0x309D || c == 0x309E) c = static_cast<char16_t>(c + 0x60);  // ゝゞ to ヽヾ
    }
    return QChar(c).toCaseFolded().unicode();
}

SearchText::SearchText(const QString& text, bool kanaInsensitive) {
    folded_.reserve(text.size());
    origin_.reserve(static_cast<size_t>(text.size()) + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        char16_t folded = FoldChar(c, kanaInsensitive);
        // A half-width kana with its voicing mark is one character in full width: ｶﾞ is ガ.
        if (c >= 0xFF66 && c <= 0xFF9D && i + 1 < text.size()) {
            const char16_t mark = text[i + 1].unicode();
            if (mark == kVoicedMark || mark == kSemiVoicedMark) {
                // Fold the plain full-width kana first (FoldChar may have turned it to hiragana's
                // katakana already; either way it is katakana here).
                const char16_t voiced = Voiced(kHalfWidthKana[c - 0xFF61], mark == kSemiVoicedMark);
                if (voiced) {
                    folded = FoldChar(voiced, kanaInsensitive);
                    folded_.append(QChar(folded));
                    origin_.push_back(static_cast<int>(i));
                    ++i;
                    continue;
                }
            }
        }
        folded_.append(QChar(folded));
        origin_.push_back(static_cast<int>(i));
    }
    origin_.push_back(static_cast<int>(text.size()));
}

SearchText::Match SearchText::Find(const SearchText& needle, int from, bool backward) const {
    if (needle.folded_.isEmpty() || folded_.isEmpty()) return {};
    // The folded position of the original position from.
    const auto at = std::lower_bound(origin_.begin(), origin_.end(), from);
    const qsizetype foldedFrom = at - origin_.begin();
    qsizetype pos;
    if (backward) {
        if (foldedFrom == 0) return {};
        pos = folded_.lastIndexOf(needle.folded_, foldedFrom - 1);
    } else {
        pos = folded_.indexOf(needle.folded_, foldedFrom);
    }
    if (pos < 0) return {};
    const int start = origin_[static_cast<size_t>(pos)];
    const int end = origin_[static_cast<size_t>(pos + needle.folded_.size())];
    return {start, end - start};
}

bool SearchText::Contains(const SearchText& needle) const {
    return !needle.folded_.isEmpty() && folded_.contains(needle.folded_);
}

}  // namespace teskchat
