#include "platform/text/carried_text.h"
#include "platform/text/cp932.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(CarriedText, TextThatFitsCp932IsCarriedByteForByte) {
    // Kana, kanji, the note, NEC and IBM extensions, a 0x5C trail byte, half-width kana, ASCII.
    const std::string utf8 = "うん、了解 Moneko♪ ①Ⅰ髙 ソ表ｱ \\ ~ & # x; &#";
    EXPECT_EQ(Utf8ToCarried(utf8), Utf8ToCp932(utf8).value());
    EXPECT_EQ(CarriedToUtf8(Utf8ToCarried(utf8)), utf8);
}

TEST(CarriedText, CharactersBeyondCp932TravelAsReferencesAndComeBack) {
    const std::string utf8 = "うん、了解 😀 café 안녕 Ω̃";
    const std::string carried = Utf8ToCarried(utf8);
    EXPECT_EQ(carried, Utf8ToCp932("うん、了解 ").value() + "&#x1F600; caf&#xE9; &#xC548;&#xB155; " +
                           Utf8ToCp932("Ω").value() + "&#x303;");
    EXPECT_EQ(CarriedToUtf8(carried), utf8);
}

TEST(CarriedText, OneWayMappingsAreCarriedAsReferencesSoTheyComeBackAsTyped) {
    // glibc turns U+301C into 81 60, which reads back as U+FF5E; U+00A5 into the backslash.
    EXPECT_EQ(Utf8ToCarried("〜¥"), "&#x301C;&#xA5;");
    EXPECT_EQ(CarriedToUtf8("&#x301C;&#xA5;"), "〜¥");
    EXPECT_EQ(Utf8ToCarried("～"), "\x81\x60");
}

TEST(CarriedText, LiteralReferenceStartIsEscapedAndRoundTrips) {
    for (const std::string typed : {"&#x41;", "&#x26;", "&#x", "a&#x&#x1F600;b", "&&#x41;", "&#X41;"}) {
        const std::string carried = Utf8ToCarried(typed);
        EXPECT_EQ(CarriedToUtf8(carried), typed) << typed;
    }
    EXPECT_EQ(Utf8ToCarried("&#x41;"), "&#x26;#x41;");
    EXPECT_EQ(Utf8ToCarried("&#X41; &# &x"), "&#X41; &# &x");  // only the lower-case start is a reference
}

TEST(CarriedText, ReferencesThatAreNotCharactersAreShownAsWritten) {
    // A reference must never bring a line break or another control character into the view.
    for (const std::string odd : {"&#xA;", "&#xD;", "&#x0;", "&#x7F;", "&#x85;", "&#xD800;", "&#x110000;",
                                  "&#x1234567;", "&#x;", "&#x41", "&#xG1;", "&#x 41;"}) {
        EXPECT_EQ(CarriedToUtf8(odd), odd) << odd;
    }
    EXPECT_EQ(CarriedToUtf8("&#x41;&#x2c;&#x10FFFF;"), "A,\xF4\x8F\xBF\xBF");
}

TEST(CarriedText, BrokenInputOnEitherSideDoesNotLoseTheRest) {
    EXPECT_EQ(Utf8ToCarried(std::string("a\xFF" "b\xC0\x80" "c\xED\xA0\x80" "d", 10)), "a?b??c???d");
    EXPECT_EQ(CarriedToUtf8("a\x81"), "a?");
    EXPECT_EQ(CarriedToUtf8("\x81\x20x"), "? x");
    EXPECT_EQ(CarriedToUtf8("\xA0&#x1F600;"), "?\xF0\x9F\x98\x80");
}

TEST(CarriedText, PrefixNeverEndsInsideAReferenceOrADoubleByteCharacter) {
    const std::string carried = "ab" "\x82\xA0" "&#x1F600;" "c";  // 2 + 2 + 9 + 1 bytes
    const std::size_t expected[] = {0, 1, 2, 2, 4, 4, 4, 4, 4, 4, 4, 4, 4, 13, 14, 14};
    for (std::size_t limit = 0; limit < std::size(expected); ++limit) {
        EXPECT_EQ(CarriedPrefixLength(carried, limit), expected[limit]) << limit;
    }
    // A lone lead byte at the end is one byte; an unfinished reference is plain text.
    EXPECT_EQ(CarriedPrefixLength("a\x82", 2), 2u);
    EXPECT_EQ(CarriedPrefixLength("&#x1F6", 4), 4u);
}

TEST(CarriedText, QtEdgesUseTheCarriedForm) {
    const QString typed = QString::fromUtf8("é&#x41;😀");
    EXPECT_EQ(CarriedText(typed), "&#xE9;&#x26;#x41;&#x1F600;");
    EXPECT_EQ(ShownText(CarriedText(typed)), typed);
    // A lone surrogate cannot be carried; it becomes '?' rather than a reference to it.
    EXPECT_EQ(CarriedText(QString(QChar(0xD83D))), "?");
}
