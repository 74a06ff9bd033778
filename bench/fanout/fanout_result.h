#pragma once
// The figures of one system's run.
#include "bench/fanout/fanout_options.h"
#include "bench/fanout/fanout_stats.h"

#include <optional>
#include <string>

namespace fanout {

struct FanoutResult {
    std::string system;
    std::string error;  // empty when the run completed
    int clients = 0, connectedAtEnd = 0;
    bool chatReachesSender = true;
    bool reducesFarPoses = false;  // far poses are meant to come at the far rate only
    uint64_t nearPairs = 0;        // (receiver, sender) pairs where the sender is near
    double seconds = 0;  // measured wall time
    FanoutStats stats;
    std::optional<double> serverCpuSeconds;
    double benchCpuSeconds = 0;

    bool Ok() const { return error.empty(); }
    double DeliveriesPerSecond() const;
    // What the sends would give if every message reached everyone it is meant for.
    double ExpectedPerSecond() const;
    // Poses from near senders, and what every one of them reaching its near receivers gives.
    double NearPerSecond() const;
    double NearExpectedPerSecond() const;
    // Far poses a second for each (receiver, far sender) pair, and what the system means to give
    // (the far rate, or every pose where far poses are not reduced).
    double FarPerPairPerSecond() const;
    double FarExpectedPerPairPerSecond(const FanoutOptions& options) const;
    // All deliveries, poses and chat lines together.
    int64_t QuantileMicros(double q) const;
    std::optional<double> ServerCpuPercent() const;
    double BenchCpuPercent() const;
};

}  // namespace fanout
