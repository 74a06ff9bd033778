#include "teskchat/text_extent_cache.h"

#include <gtest/gtest.h>

namespace teskchat {
namespace {

TEST(TextExtentCacheTest, AgreesWithTheFontForJapaneseLatinAndShapedText) {
    QFont font(QStringLiteral("VL PGothic"));
    font.setPixelSize(12);
    TextExtentCache cache(font);
    const QFontMetrics metrics(font);
    for (const char* utf8 : {"", "hello, world", "こんにちは、世界！", "ｶﾀｶﾅ and 漢字 mixed ♪", "tab\there",
                             "e\xcc\x81t\xc3\xa9", "\xf0\x9f\x98\x80 emoji", "\xd8\xb3\xd9\x84\xd8\xa7\xd9\x85"}) {
        const QString text = QString::fromUtf8(utf8);
        EXPECT_EQ(cache.Width(text), metrics.horizontalAdvance(text)) << utf8;
        EXPECT_EQ(cache.Width(text), metrics.horizontalAdvance(text)) << "second, cached: " << utf8;
    }
}

}  // namespace
}  // namespace teskchat
