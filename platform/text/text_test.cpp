#include "platform/text/byte_text.h"
#include "platform/text/cp932.h"
#include "platform/text/save_stamp.h"
#include "platform/text/user_address.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Cp932, RoundTripsNoteTrailByteFiveCAndHalfWidthKana) {
    // "♪" is 81 F4; "ソ" and "表" end in 0x5C; "ｱ" is one byte.
    const std::string utf8 = "Moneko♪ ソ表ｱ\\";
    auto sjis = Utf8ToCp932(utf8);
    ASSERT_TRUE(sjis.has_value());
    EXPECT_EQ(*sjis, std::string("Moneko\x81\xF4 \x83\x5C\x95\x5C\xB1\\"));
    EXPECT_EQ(Cp932ToUtf8(*sjis).value(), utf8);
    EXPECT_EQ(ToQString(*sjis), QString::fromUtf8(utf8.c_str()));
    EXPECT_EQ(FromQString(QString::fromUtf8(utf8.c_str())), *sjis);
}

TEST(Cp932, InvalidBytesAreRefusedStrictlyAndReplacedLeniently) {
    EXPECT_FALSE(Cp932ToUtf8("\x81").has_value());  // lead byte without trail
    EXPECT_EQ(ToQString("a\x81"), QString("a?"));
    // A character outside CP932 becomes one '?' and the rest survives.
    EXPECT_EQ(FromQString(QString::fromUtf8("a\xF0\x9F\x98\x80" "b")), "a?b");
}

TEST(ByteText, CompareIsUnsignedAndPrefixSortsFirst) {
    EXPECT_LT(CompareBytes("Bird", "Cat"), 0);
    EXPECT_LT(CompareBytes("Cat", "ant"), 0);  // upper case before lower case
    EXPECT_GT(CompareBytes("\x81\x40", "z"), 0);  // high bytes after ASCII
    EXPECT_LT(CompareBytes("ab", "abc"), 0);
    EXPECT_EQ(CompareBytes("", ""), 0);
}

TEST(ByteText, AsciiLowerLeavesDoubleByteCharactersAlone) {
    // 0x83 0x41 is "ア": its trail byte is 'A' and must stay.
    EXPECT_EQ(AsciiLower("AbC\x83\x41Z"), "abc\x83\x41z");
}

TEST(ByteText, AtoiStopsAtFirstNonDigitAndSaturates) {
    EXPECT_EQ(CAtoi("  42abc"), 42);
    EXPECT_EQ(CAtoi("-7"), -7);
    EXPECT_EQ(CAtoi("x1"), 0);
    EXPECT_EQ(CAtoi(""), 0);
    EXPECT_EQ(CAtoi("99999999999"), 2147483647);
    EXPECT_EQ(CAtoi("-99999999999"), -2147483647 - 1);
}

TEST(ByteText, HexReadsLikeScanf) {
    bool any = false;
    EXPECT_EQ(ReadHex(" c0a80001", &any), 0xC0A80001u);
    EXPECT_TRUE(any);
    EXPECT_EQ(ReadHex("0x1F"), 0x1Fu);
    EXPECT_EQ(ReadHex("zz", &any), 0u);
    EXPECT_FALSE(any);
    EXPECT_EQ(ReadHex("1C0A80001"), 0xC0A80001u);  // more than eight digits keep the low 32 bits
}

TEST(UserAddress, FormatsAddressOrLocalhost) {
    EXPECT_EQ(UserAddressText("C0A80001:17"), "192.168.0.1");
    EXPECT_EQ(UserAddressText("7F000001:0"), "127.0.0.1");
    EXPECT_EQ(UserAddressText("12345"), "Localhost");
    EXPECT_EQ(UserAddressText(""), "Localhost");
    EXPECT_EQ(UserAddressText("nothex:1"), "0.0.0.0");
    EXPECT_EQ(UserAddressText("7f000001:a:b"), "127.0.0.1");  // only the first colon counts
}

TEST(SaveStamp, FourteenDigits) {
    EXPECT_EQ(SaveStamp(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))), "20260102030405");
}
