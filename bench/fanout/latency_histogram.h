#pragma once
// Latencies in microseconds, kept as counts in buckets so millions of samples cost nothing:
// 10 us wide up to 100 ms, 1 ms wide up to 10 s, everything later in one last bucket.
#include <cstdint>
#include <vector>

namespace fanout {

class LatencyHistogram {
public:
    LatencyHistogram();

    void Add(int64_t micros);
    void Merge(const LatencyHistogram& other);
    void Reset();

    uint64_t Count() const { return count_; }
    // The q-quantile (0 < q <= 1) in microseconds: the upper edge of the bucket holding the sample
    // of that rank, so a figure never flatters. 0 when empty.
    int64_t Quantile(double q) const;
    int64_t Max() const { return max_; }

private:
    std::vector<uint64_t> buckets_;
    uint64_t count_ = 0;
    int64_t max_ = 0;
};

}  // namespace fanout
