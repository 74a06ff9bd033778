#include "bench/fanout/crowd_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace fanout {

TEST(CrowdLayout, ScattersTheCrowdAndEachHearsExactlyItsNearest) {
    const CrowdLayout layout(400, 10);
    std::set<std::pair<float, float>> spots;
    const float side = 3000.0f * 20;
    for (int i = 0; i < 400; ++i) {
        const auto p = layout.PositionOf(i);
        EXPECT_GE(p[0], 0);
        EXPECT_LE(p[0], side);
        spots.insert({p[0], p[1]});
        int near = 0;
        for (int j = 0; j < 400; ++j) near += layout.IsNear(i, j);
        EXPECT_EQ(near, 10);
        EXPECT_FALSE(layout.IsNear(i, i));
    }
    EXPECT_EQ(spots.size(), 400u);  // nobody shares a spot, so nearness has no ties to speak of
    // The same run size stands the same way every time, so runs compare.
    EXPECT_EQ(CrowdLayout(400, 10).PositionOf(123), layout.PositionOf(123));
    // Someone's nearest is nearer than anyone it does not hear.
    auto d2 = [&](int a, int b) {
        const auto p = layout.PositionOf(a), q = layout.PositionOf(b);
        return std::pow(double(p[0]) - q[0], 2) + std::pow(double(p[1]) - q[1], 2);
    };
    double farthestNear = 0, nearestFar = INFINITY;
    for (int j = 1; j < 400; ++j) {
        if (layout.IsNear(0, j)) farthestNear = std::max(farthestNear, d2(0, j));
        else nearestFar = std::min(nearestFar, d2(0, j));
    }
    EXPECT_LT(farthestNear, nearestFar);
}

TEST(CrowdLayout, MoreNearThanOthersMeansEveryoneAndNoneMeansNobody) {
    const CrowdLayout all(5, 50), none(5, 0);
    EXPECT_EQ(all.NearCount(), 4);
    EXPECT_EQ(none.NearCount(), 0);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            EXPECT_EQ(all.IsNear(i, j), i != j);
            EXPECT_FALSE(none.IsNear(i, j));
        }
    EXPECT_FALSE(all.IsNear(-1, 0));
    EXPECT_FALSE(all.IsNear(5, 0));
}

}  // namespace fanout
