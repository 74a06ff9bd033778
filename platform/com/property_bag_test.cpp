#include "platform/com/property_bag.h"

#include <gtest/gtest.h>

namespace platform::com {
namespace {

TEST(PropertyBag, NamesCompareWithoutCaseAndLaterWritesReplace) {
    PropertyBag bag;
    bag.Write("SRC", "a.wrl");
    bag.Write("src", "b.wrl");
    EXPECT_EQ(bag.Items().size(), 1u);
    EXPECT_EQ(bag.Read("Src"), "b.wrl");
    EXPECT_EQ(bag.Read("World"), std::nullopt);
}

TEST(PropertyBag, TextRoundTripsSeparatorsAndCp932) {
    PropertyBag bag;
    bag.Write("SRC", "http://127.0.0.1/w.wrl?a=1&b=%41\r\nnext=line");
    bag.Write("na=me", "");
    // "表" is 0x95 0x5C: its trail byte must pass untouched.
    bag.Write("World", "C:/\x95\x5C/room.wrl");
    const PropertyBag back = PropertyBag::FromText(bag.ToText());
    EXPECT_EQ(back.Items(), bag.Items());
}

TEST(PropertyBag, TolerantReaderSkipsJunk) {
    const PropertyBag bag = PropertyBag::FromText("no equals\n=novalue\r\nSRC=x%zz%4\nWorld=%41%3d\r\n%");
    ASSERT_EQ(bag.Items().size(), 2u);
    EXPECT_EQ(bag.Read("SRC"), "x%zz%4");
    EXPECT_EQ(bag.Read("World"), "A=");
}

}  // namespace
}  // namespace platform::com
