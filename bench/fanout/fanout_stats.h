#pragma once
// What one client event loop counted. Each loop owns its own, merged when the run is over.
#include "bench/fanout/latency_histogram.h"

#include <cstdint>

namespace fanout {

struct FanoutStats {
    uint64_t posesSent = 0, chatsSent = 0;
    uint64_t poseDeliveries = 0, chatDeliveries = 0;
    uint64_t unstamped = 0;      // relayed messages whose payload carried no send time
    uint64_t connectionsLost = 0;
    LatencyHistogram poseLatency, chatLatency;

    void Reset();
    void Merge(const FanoutStats& other);
};

}  // namespace fanout
