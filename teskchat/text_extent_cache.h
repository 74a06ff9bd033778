#pragma once
// One-line text widths for a font, fast enough to measure every chat line again when the font
// changes: simple text sums cached per-character advances; text that needs shaping (surrogate
// pairs, combining marks, complex scripts, joiners, tabs) is measured whole.
#include <QFont>
#include <QFontMetrics>
#include <QStringView>

#include <cstdint>
#include <memory>

namespace teskchat {

class TextExtentCache {
public:
    explicit TextExtentCache(const QFont& font);

    int Width(QStringView text);
    const QFontMetrics& Metrics() const { return metrics_; }

private:
    static bool NeedsShaping(char16_t c);

    QFontMetrics metrics_;
    // Advance of each UTF-16 unit, filled on first use; 0xFFFF = not measured yet.
    std::unique_ptr<uint16_t[]> advances_;
};

}  // namespace teskchat
