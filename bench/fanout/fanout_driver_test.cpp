// A short real run against each system: every client joins, every send is delivered to the
// others and carries its time, and the figures add up.
#include "bench/fanout/fanout_driver.h"
#include "bench/fanout/fanout_report.h"
#include "bench/fanout/mosquitto_fanout_system.h"
#include "bench/fanout/world_fanout_system.h"

#include <gtest/gtest.h>
#include <sstream>

namespace fanout {
namespace {

FanoutOptions SmallRun() {
    FanoutOptions o;
    o.clients = 6;
    o.posesPerSecond = 20;
    o.chatIntervalSeconds = 0.25;
    o.warmupSeconds = 0.5;
    o.seconds = 1.5;
    o.threads = 2;
    return o;
}

void ExpectSoundRun(const FanoutResult& r, const FanoutOptions& o) {
    ASSERT_TRUE(r.Ok()) << r.error;
    EXPECT_EQ(r.connectedAtEnd, o.clients);
    EXPECT_EQ(r.stats.unstamped, 0u);
    // Each client sends about 20 poses a second and 4 chat lines a second.
    const double sent = double(r.stats.posesSent) / r.seconds / o.clients;
    EXPECT_GT(sent, 15.0);
    EXPECT_LT(sent, 25.0);
    EXPECT_GT(r.stats.chatsSent, 0u);
    // Only what is still in flight as the window closes may be missing; nothing is counted twice.
    EXPECT_GT(r.DeliveriesPerSecond(), 0.9 * r.ExpectedPerSecond());
    EXPECT_LT(r.DeliveriesPerSecond(), 1.05 * r.ExpectedPerSecond());
    EXPECT_EQ(r.stats.poseLatency.Count(), r.stats.poseDeliveries);
    EXPECT_EQ(r.stats.chatLatency.Count(), r.stats.chatDeliveries);
    EXPECT_GT(r.QuantileMicros(0.5), 0);
    EXPECT_LT(r.QuantileMicros(0.5), 1'000'000);
    ASSERT_TRUE(r.serverCpuSeconds);
    EXPECT_GE(*r.serverCpuSeconds, 0.0);
}

}  // namespace

TEST(FanoutDriver, WorldServerRun) {
    const auto o = SmallRun();
    WorldFanoutSystem system;
    const auto r = FanoutDriver(o).Run(system);
    ExpectSoundRun(r, o);
    // Chat lines come back to their sender as well.
    EXPECT_GE(r.stats.chatDeliveries, r.stats.chatsSent * (o.clients - 1));
}

TEST(FanoutDriver, MosquittoRunAndReport) {
    const auto o = SmallRun();
    WorldFanoutSystem world;
    MosquittoFanoutSystem broker;
    FanoutDriver driver(o);
    std::vector<FanoutResult> results = {driver.Run(world), driver.Run(broker)};
    ExpectSoundRun(results[1], o);
    std::ostringstream out;
    FanoutReport::Print(out, o, results, "1.00 1.00 1.00");
    EXPECT_NE(out.str().find("mosquitto"), std::string::npos);
    EXPECT_NE(out.str().find("ratio moneko-server / mosquitto"), std::string::npos);
    EXPECT_NE(out.str().find("load average 1.00 1.00 1.00"), std::string::npos);
}

TEST(FanoutDriver, ACrowdHearsItsNearestInFullAndTheRestAtTheFarRateWhileTheBrokerSendsEverything) {
    auto o = SmallRun();
    o.clients = 12;
    o.nearAvatars = 3;
    o.farPoseMs = 250;  // 4 a second against the 20 poses sent
    o.seconds = 2.5;
    WorldFanoutSystem world;
    MosquittoFanoutSystem broker;
    FanoutDriver driver(o);
    const auto w = driver.Run(world);
    ASSERT_TRUE(w.Ok()) << w.error;
    EXPECT_EQ(w.stats.nearPoseDeliveries + w.stats.farPoseDeliveries, w.stats.poseDeliveries);
    EXPECT_GT(w.NearPerSecond(), 0.9 * w.NearExpectedPerSecond());
    EXPECT_LT(w.NearPerSecond(), 1.1 * w.NearExpectedPerSecond());
    EXPECT_DOUBLE_EQ(w.FarExpectedPerPairPerSecond(o), 4.0);
    EXPECT_GT(w.FarPerPairPerSecond(), 0.6 * 4.0);
    EXPECT_LT(w.FarPerPairPerSecond(), 1.1 * 4.0);
    const auto b = driver.Run(broker);
    ASSERT_TRUE(b.Ok()) << b.error;
    EXPECT_GT(b.FarPerPairPerSecond(), 0.8 * b.FarExpectedPerPairPerSecond(o));
    EXPECT_GT(b.FarExpectedPerPairPerSecond(o), 15.0);
    std::ostringstream out;
    FanoutReport::Print(out, o, {w, b}, "1.00 1.00 1.00");
    EXPECT_NE(out.str().find("near target"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("each hears its 3 nearest"), std::string::npos) << out.str();
}

TEST(FanoutDriver, MissingServerIsReportedAsAFailure) {
    auto o = SmallRun();
    o.serverBinary = "/nonexistent/moneko-server";
    WorldFanoutSystem system;
    const auto r = FanoutDriver(o).Run(system);
    EXPECT_FALSE(r.Ok());
    std::ostringstream out;
    FanoutReport::Print(out, o, {r}, "?");
    EXPECT_NE(out.str().find("moneko-server: failed"), std::string::npos);
}

}  // namespace fanout
