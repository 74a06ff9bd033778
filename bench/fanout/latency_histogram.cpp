#include "bench/fanout/latency_histogram.h"

#include <algorithm>
#include <cmath>

namespace fanout {
namespace {

constexpr int64_t kFineLimit = 100'000;    // us
constexpr int64_t kFineWidth = 10;
constexpr int64_t kCoarseLimit = 10'000'000;
constexpr int64_t kCoarseWidth = 1000;
constexpr size_t kFineBuckets = kFineLimit / kFineWidth;
constexpr size_t kCoarseBuckets = (kCoarseLimit - kFineLimit) / kCoarseWidth;
constexpr size_t kBuckets = kFineBuckets + kCoarseBuckets + 1;

size_t BucketOf(int64_t micros) {
    if (micros < kFineLimit) return size_t(micros / kFineWidth);
    if (micros < kCoarseLimit) return kFineBuckets + size_t((micros - kFineLimit) / kCoarseWidth);
    return kBuckets - 1;
}

int64_t UpperEdge(size_t bucket) {
    if (bucket < kFineBuckets) return int64_t(bucket + 1) * kFineWidth;
    if (bucket < kBuckets - 1) return kFineLimit + int64_t(bucket - kFineBuckets + 1) * kCoarseWidth;
    return -1;  // the overflow bucket has no edge; the caller uses the largest sample
}

}  // namespace

LatencyHistogram::LatencyHistogram() : buckets_(kBuckets, 0) {}

void LatencyHistogram::Add(int64_t micros) {
    // A clock read twice on one machine cannot go backwards, but be safe about it.
    micros = std::max<int64_t>(micros, 0);
    ++buckets_[BucketOf(micros)];
    ++count_;
    max_ = std::max(max_, micros);
}

void LatencyHistogram::Merge(const LatencyHistogram& other) {
    for (size_t i = 0; i < kBuckets; ++i) buckets_[i] += other.buckets_[i];
    count_ += other.count_;
    max_ = std::max(max_, other.max_);
}

void LatencyHistogram::Reset() {
    std::fill(buckets_.begin(), buckets_.end(), 0);
    count_ = 0;
    max_ = 0;
}

int64_t LatencyHistogram::Quantile(double q) const {
    if (count_ == 0) return 0;
    q = std::clamp(q, 0.0, 1.0);
    const uint64_t rank = std::max<uint64_t>(1, uint64_t(std::ceil(q * double(count_))));
    uint64_t seen = 0;
    for (size_t i = 0; i < kBuckets; ++i) {
        seen += buckets_[i];
        if (seen >= rank) {
            const int64_t edge = UpperEdge(i);
            return edge < 0 ? max_ : std::min(edge, max_);
        }
    }
    return max_;
}

}  // namespace fanout
