#pragma once
// The figures of one system's run.
#include "bench/fanout/fanout_stats.h"

#include <optional>
#include <string>

namespace fanout {

struct FanoutResult {
    std::string system;
    std::string error;  // empty when the run completed
    int clients = 0, connectedAtEnd = 0;
    bool chatReachesSender = true;
    double seconds = 0;  // measured wall time
    FanoutStats stats;
    std::optional<double> serverCpuSeconds;
    double benchCpuSeconds = 0;

    bool Ok() const { return error.empty(); }
    double DeliveriesPerSecond() const;
    // What the sends would give if every message reached everyone it is meant for.
    double ExpectedPerSecond() const;
    // All deliveries, poses and chat lines together.
    int64_t QuantileMicros(double q) const;
    std::optional<double> ServerCpuPercent() const;
    double BenchCpuPercent() const;
};

}  // namespace fanout
