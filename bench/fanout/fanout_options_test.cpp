#include "bench/fanout/fanout_options.h"

#include <gtest/gtest.h>

namespace fanout {

TEST(FanoutOptions, DefaultsAreTheTargetWorkload) {
    std::string error;
    auto o = FanoutOptions::Parse({}, &error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->clients, 200);
    EXPECT_EQ(o->posesPerSecond, 10);
    EXPECT_EQ(o->systems, (std::vector<std::string>{"world", "mosquitto"}));
}

TEST(FanoutOptions, ParsesAndRefuses) {
    std::string error;
    auto o = FanoutOptions::Parse({"--clients", "50", "--poses-per-second", "20", "--chat-interval", "0.5",
                                   "--seconds", "3", "--threads", "2", "--systems", "mosquitto"},
                                  &error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->clients, 50);
    EXPECT_EQ(o->posesPerSecond, 20);
    EXPECT_DOUBLE_EQ(o->chatIntervalSeconds, 0.5);
    EXPECT_EQ(o->threads, 2);
    EXPECT_EQ(o->systems, std::vector<std::string>{"mosquitto"});

    for (std::vector<std::string> bad : {std::vector<std::string>{"--clients", "1"}, {"--clients", "2.5"},
                                         {"--clients", "70000"}, {"--poses-per-second", "0"}, {"--seconds", "nan"},
                                         {"--seconds", "inf"}, {"--threads", "3"}, {"--systems", "world,"},
                                         {"--systems", "kafka"}, {"--clients"}, {"--bogus", "1"}}) {
        error.clear();
        EXPECT_FALSE(FanoutOptions::Parse(bad, &error)) << bad[0];
        EXPECT_FALSE(error.empty()) << bad[0];
    }
    error = "x";
    EXPECT_FALSE(FanoutOptions::Parse({"--help"}, &error));
    EXPECT_TRUE(error.empty());  // help is not an error
}

}  // namespace fanout
