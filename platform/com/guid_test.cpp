#include "platform/com/guid.h"

#include <gtest/gtest.h>

using platform::com::Guid;

TEST(GuidTest, TextFormRoundTripsInUpperCase) {
    const Guid g{0x0123ABCD, 0x4E5F, 0xA6B7, {0xC8, 0xD9, 0xEA, 0xFB, 0x0C, 0x1D, 0x2E, 0x3F}};
    EXPECT_EQ(g.ToString(), "{0123ABCD-4E5F-A6B7-C8D9-EAFB0C1D2E3F}");
    EXPECT_EQ(Guid::FromString(g.ToString()), g);
    EXPECT_EQ(Guid::FromString("{0123abcd-4e5f-a6b7-c8d9-eafb0c1d2e3f}"), g);
    EXPECT_EQ(Guid{}.ToString(), "{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidTest, RejectsAnythingButTheBracedForm) {
    for (const char* bad : {"", "{}", "0123ABCD-4E5F-A6B7-C8D9-EAFB0C1D2E3F",
                            "{0123ABCD-4E5F-A6B7-C8D9-EAFB0C1D2E3F", "{0123ABCD-4E5F-A6B7-C8D9-EAFB0C1D2E3F}x",
                            "{0123ABCD-4E5F-A6B7-C8D9EEAFB0C1D2E3F}", "{0123ABCG-4E5F-A6B7-C8D9-EAFB0C1D2E3F}",
                            "{+123ABCD-4E5F-A6B7-C8D9-EAFB0C1D2E3F}", "{0123ABCD-4E5F-A6B7-C8D9-EAFB0C1D2E 3}",
                            "(0123ABCD-4E5F-A6B7-C8D9-EAFB0C1D2E3F)"}) {
        EXPECT_FALSE(Guid::FromString(bad).has_value()) << bad;
    }
}
