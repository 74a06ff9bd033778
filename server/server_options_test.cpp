#include "server/server_options.h"

#include <gtest/gtest.h>

namespace server {
namespace {

ServerOptions Parsed(std::vector<std::string> args) {
    std::string error;
    auto options = ServerOptions::Parse(args, &error);
    EXPECT_TRUE(options) << error;
    return options ? *options : ServerOptions{};
}

TEST(ServerOptions, TicksDivideBothRoundsAndTimingsAreCountedInThem) {
    // Defaults: 20 ms rounds in four ticks, 40 ms in a crowd; far poses every 800 ms.
    auto defaults = Parsed({});
    EXPECT_EQ(defaults.TickMs(), 5);
    auto interest = defaults.Interest();
    EXPECT_EQ(interest.roundTicks, 4);
    EXPECT_EQ(interest.crowdRoundTicks, 8);
    EXPECT_EQ(interest.crowdSize, 500u);
    EXPECT_EQ(interest.farEveryTicks, 160);
    EXPECT_EQ(interest.regroupEveryTicks, 40);
    EXPECT_DOUBLE_EQ(interest.farBudgetPerTick, 1.25);

    auto odd = Parsed({"--pose-tick-ms", "30", "--crowd-pose-tick-ms", "45", "--crowd-size", "100"});
    EXPECT_EQ(odd.TickMs(), 15);
    EXPECT_EQ(odd.Interest().roundTicks, 2);
    EXPECT_EQ(odd.Interest().crowdRoundTicks, 3);
    EXPECT_EQ(odd.Interest().farEveryTicks, 54);  // 810 ms: never more often than asked

    // No crowd rounds, and a round that does not halve: one tick a round.
    auto noCrowd = Parsed({"--crowd-size", "0", "--pose-tick-ms", "25"});
    EXPECT_EQ(noCrowd.TickMs(), 25);
    EXPECT_EQ(noCrowd.Interest().roundTicks, 1);
    EXPECT_EQ(noCrowd.Interest().crowdSize, 0u);

    std::string error;
    EXPECT_FALSE(ServerOptions::Parse({"--crowd-pose-tick-ms", "0"}, &error));
    EXPECT_NE(error.find("--crowd-pose-tick-ms"), std::string::npos);
    EXPECT_FALSE(ServerOptions::Parse({"--crowd-size", "-1"}, &error));
}

}  // namespace
}  // namespace server
