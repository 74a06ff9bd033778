#include "bench/fanout/fanout_stamp.h"

#include "platform/text/carried_text.h"

#include <cmath>
#include <gtest/gtest.h>

namespace fanout {

TEST(FanoutStamp, PoseCarriesTheTimeExactlyOverItsWholeRange) {
    for (uint64_t micros : {uint64_t(0), uint64_t(1), uint64_t(65535), uint64_t(65536), uint64_t(3'600'000'000),
                            kMaxPoseStampMicros}) {
        const auto pose = PoseWithStamp(micros, 199, 123456.5f, 7.25f);
        EXPECT_EQ(StampOfPose(pose), micros) << micros;
        EXPECT_EQ(SenderOfPose(pose), 199);
        // The position is the sender's place, untouched by the time.
        EXPECT_EQ(pose[0], 123456.5f);
        EXPECT_EQ(pose[1], 0.0f);
        EXPECT_EQ(pose[2], 7.25f);
    }
}

TEST(FanoutStamp, PoseThatCarriesNoTimeIsRecognised) {
    EXPECT_FALSE(StampOfPose({0, 0, 0, 0.5f, 0, 0}));
    EXPECT_FALSE(StampOfPose({0, 0, 0, 1, 0, 70000.0f}));
    EXPECT_FALSE(StampOfPose({0, 0, 0, -1, 0, 0}));
    EXPECT_FALSE(StampOfPose({0, 0, 0, NAN, 0, 0}));
    EXPECT_FALSE(StampOfPose({0, 0, 0, 1e30f, 0, 0}));
    EXPECT_FALSE(StampOfPose({0, 0, 0, 0, 0, -1}));  // a plain facing
    EXPECT_FALSE(SenderOfPose({0, 0, 0, 0, -1, 0}));
    EXPECT_FALSE(SenderOfPose({0, 0, 0, 0, 0.5f, 0}));
    EXPECT_FALSE(SenderOfPose({0, 0, 0, 0, NAN, 0}));
}

TEST(FanoutStamp, ChatCarriesTheTime) {
    const std::string text = ChatWithStamp(123456789012, 7);
    EXPECT_EQ(StampOfChat(text), 123456789012u);
    // The line carries characters beyond CP932 the way the chat control does.
    EXPECT_NE(text.find("caf&#xE9; &#x1F600;"), std::string::npos);
    EXPECT_EQ(platform::CarriedToUtf8(text), "t=123456789012 from bench7: hello everyone in the region, café 😀");
    EXPECT_LE(text.size(), 256u);  // within the chat control's input limit
    EXPECT_EQ(StampOfChat("t=42"), 42u);
    EXPECT_FALSE(StampOfChat("hello"));
    EXPECT_FALSE(StampOfChat("t="));
    EXPECT_FALSE(StampOfChat("t=12x3"));
    EXPECT_FALSE(StampOfChat("t=-5 from"));
    EXPECT_FALSE(StampOfChat("t=99999999999999999999999 overflow"));
}

}  // namespace fanout
