// A repeating error reaches the log once a period, with the count of the repeats held back.
#include "server/log_throttle.h"

#include <gtest/gtest.h>

namespace server {
namespace {

using namespace std::chrono_literals;

TEST(LogThrottleTest, OneLineAPeriodWithTheCount) {
    LogThrottle throttle(1s);
    const auto t0 = LogThrottle::Clock::now();
    EXPECT_EQ(throttle.Note("accept failed", t0), "accept failed");
    int logged = 0;
    for (int i = 1; i <= 100000; ++i)
        if (throttle.Note("accept failed", t0 + std::chrono::microseconds(i * 9))) ++logged;
    EXPECT_EQ(logged, 0);  // 0.9 s of failures: nothing more
    EXPECT_EQ(throttle.Note("accept failed", t0 + 1s), "accept failed (100000 more since the last line)");
    EXPECT_FALSE(throttle.Note("accept failed", t0 + 1500ms));
    EXPECT_EQ(throttle.Settle("accept works again"), "accept works again (1 more since the last line)");
    // After settling, the next failure is news again.
    EXPECT_EQ(throttle.Note("accept failed", t0 + 1600ms), "accept failed");
}

TEST(LogThrottleTest, SettlingWithoutHeldRepeatsSaysNothing) {
    LogThrottle throttle;
    EXPECT_FALSE(throttle.Settle("works"));
    EXPECT_TRUE(throttle.Note("failed"));
    EXPECT_FALSE(throttle.Settle("works"));
}

}  // namespace
}  // namespace server
