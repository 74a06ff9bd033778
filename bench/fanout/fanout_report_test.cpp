#include "bench/fanout/fanout_report.h"

#include <gtest/gtest.h>
#include <sstream>

namespace fanout {
namespace {

FanoutResult Result(const std::string& system, uint64_t deliveries, int64_t latencyMicros) {
    FanoutResult r;
    r.system = system;
    r.clients = 3;
    r.connectedAtEnd = 3;
    r.seconds = 2;
    r.stats.posesSent = 10;
    r.stats.chatsSent = 1;
    r.stats.poseDeliveries = deliveries;
    for (uint64_t i = 0; i < deliveries; ++i) r.stats.poseLatency.Add(latencyMicros);
    r.serverCpuSeconds = 0.5;
    return r;
}

}  // namespace

TEST(FanoutReport, ExpectedDeliveriesFollowWhoHearsWhat) {
    auto world = Result("moneko-server", 0, 0);
    // 10 poses to the 2 others, a chat line to all 3, over 2 s.
    EXPECT_DOUBLE_EQ(world.ExpectedPerSecond(), (10 * 2 + 1 * 3) / 2.0);
    world.chatReachesSender = false;
    EXPECT_DOUBLE_EQ(world.ExpectedPerSecond(), (10 * 2 + 1 * 2) / 2.0);
    EXPECT_DOUBLE_EQ(*world.ServerCpuPercent(), 25.0);
}

TEST(FanoutReport, TargetNeedsBothThroughputAndLatency) {
    const auto broker = Result("mosquitto", 100, 1000);
    EXPECT_TRUE(*FanoutReport::TargetMet(Result("moneko-server", 100, 49'000), broker));
    EXPECT_FALSE(*FanoutReport::TargetMet(Result("moneko-server", 99, 1000), broker));
    EXPECT_FALSE(*FanoutReport::TargetMet(Result("moneko-server", 200, 51'000), broker));
    auto failed = broker;
    failed.error = "did not start";
    EXPECT_FALSE(FanoutReport::TargetMet(Result("moneko-server", 100, 1000), failed));

    std::ostringstream out;
    FanoutReport::Print(out, FanoutOptions{}, {Result("moneko-server", 200, 51'000), broker}, "2.00 1.00 0.50");
    EXPECT_NE(out.str().find("deliveries/s 2.000"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("NOT met"), std::string::npos) << out.str();
}

TEST(FanoutReport, ExpectedFarRateIsTheFarPeriodOrTheBudgetWhicheverIsSlower) {
    FanoutOptions o;  // far every 800 ms, at most 250 far poses a second each
    FanoutResult r;
    r.reducesFarPoses = true;
    r.seconds = 2;
    r.clients = 200;
    r.nearPairs = 200 * 50;
    r.stats.posesSent = 200 * 10 * 2;
    EXPECT_DOUBLE_EQ(r.FarExpectedPerPairPerSecond(o), 1.25);  // 149 far senders fit in the budget
    r.clients = 1000;
    r.nearPairs = 1000 * 50;
    r.stats.posesSent = 1000 * 10 * 2;
    EXPECT_DOUBLE_EQ(r.FarExpectedPerPairPerSecond(o), 250.0 / 949);
    r.reducesFarPoses = false;  // the broker sends every pose
    EXPECT_DOUBLE_EQ(r.FarExpectedPerPairPerSecond(o), 10.0);
}

TEST(FanoutReport, NearTargetNeedsNearlyEveryNearPoseAndItsLatency) {
    auto world = Result("moneko-server", 0, 0);
    world.nearPairs = 3 * 1;  // each of 3 hears 1 at full rate: 10 poses over 2 s give 5 a second
    world.stats.nearPoseDeliveries = 10;
    for (int i = 0; i < 10; ++i) world.stats.nearPoseLatency.Add(49'000);
    EXPECT_DOUBLE_EQ(world.NearExpectedPerSecond(), 10.0 * 3 / 3 / 2);
    EXPECT_TRUE(FanoutReport::NearTargetMet(world));
    world.stats.nearPoseDeliveries = 9;
    EXPECT_FALSE(FanoutReport::NearTargetMet(world));
    world.stats.nearPoseDeliveries = 10;
    world.stats.nearPoseLatency.Add(60'000);  // one slow pose in eleven is more than 1 %
    EXPECT_FALSE(FanoutReport::NearTargetMet(world));
}

}  // namespace fanout
