#include "bench/fanout/latency_histogram.h"

#include <gtest/gtest.h>

namespace fanout {

TEST(LatencyHistogram, QuantilesNeverUnderstateAndStayWithinOneBucket) {
    LatencyHistogram h;
    EXPECT_EQ(h.Quantile(0.99), 0);  // empty
    for (int us = 1; us <= 1000; ++us) h.Add(us * 10);  // 10 us .. 10 ms
    EXPECT_EQ(h.Count(), 1000u);
    // Rank 500 is 5000 us, rank 990 is 9900 us; each reported as its bucket's upper edge.
    EXPECT_GE(h.Quantile(0.5), 5000);
    EXPECT_LE(h.Quantile(0.5), 5010);
    EXPECT_GE(h.Quantile(0.99), 9900);
    EXPECT_LE(h.Quantile(0.99), 9910);
    EXPECT_EQ(h.Quantile(1.0), 10000);
    EXPECT_EQ(h.Max(), 10000);
}

TEST(LatencyHistogram, CoarseRangeOverflowAndNegativeSamples) {
    LatencyHistogram h;
    h.Add(-5);           // clamped to 0
    h.Add(250'400);      // coarse range: 1 ms buckets
    h.Add(60'000'000);   // a minute: beyond every bucket, reported as the sample itself
    EXPECT_LE(h.Quantile(0.3), 10);
    EXPECT_GE(h.Quantile(0.6), 250'400);
    EXPECT_LE(h.Quantile(0.6), 251'000);
    EXPECT_EQ(h.Quantile(0.99), 60'000'000);
}

TEST(LatencyHistogram, MergeAndReset) {
    LatencyHistogram a, b;
    for (int i = 0; i < 99; ++i) a.Add(1000);
    b.Add(40'000);
    a.Merge(b);
    EXPECT_EQ(a.Count(), 100u);
    EXPECT_LE(a.Quantile(0.99), 1010);  // rank 99 of 100 is still the fast group
    EXPECT_GE(a.Quantile(1.0), 40'000);
    a.Reset();
    EXPECT_EQ(a.Count(), 0u);
    EXPECT_EQ(a.Quantile(0.5), 0);
    EXPECT_EQ(a.Max(), 0);
}

}  // namespace fanout
