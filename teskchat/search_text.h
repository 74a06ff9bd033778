#pragma once
// Text prepared for finding what a user typed, the way Japanese users expect: letters match in
// either case, full- and half-width forms match each other (ＡＢＣ, ABC; ｶﾞ, ガ), and, when asked,
// hiragana match katakana. The folded text keeps, for every character, where it came from, so a
// match can be shown on the original text.
#include <QString>

#include <vector>

namespace teskchat {

class SearchText {
public:
    SearchText() = default;
    SearchText(const QString& text, bool kanaInsensitive);

    const QString& Folded() const { return folded_; }

    struct Match {
        int start = -1;   // in the original text
        int length = 0;   // in the original text
        bool Found() const { return start >= 0; }
    };
    // The first match of needle (already folded alike) at or after the original position from,
    // or the last one that starts before it when backward.
    Match Find(const SearchText& needle, int from, bool backward = false) const;
    bool Contains(const SearchText& needle) const;

    // One folded character for the code point c (no half-width voicing marks: those need the
    // character before them).
    static char16_t FoldChar(char16_t c, bool kanaInsensitive);

private:
    QString folded_;
    // origin_[i]: where folded character i starts in the original text; one more entry for the end.
    std::vector<int> origin_;
};

}  // namespace teskchat
