#pragma once
// What one client event loop counted. Each loop owns its own, merged when the run is over.
#include "bench/fanout/crowd_layout.h"
#include "bench/fanout/latency_histogram.h"
#include "protocol/messages.h"

#include <cstdint>

namespace fanout {

struct FanoutStats {
    uint64_t posesSent = 0, chatsSent = 0;
    uint64_t poseDeliveries = 0, chatDeliveries = 0;
    // Poses by whether the sender is among the receiver's nearest (known only with a layout).
    uint64_t nearPoseDeliveries = 0, farPoseDeliveries = 0;
    uint64_t unstamped = 0;      // relayed messages whose payload carried no send time
    uint64_t connectionsLost = 0;
    LatencyHistogram poseLatency, chatLatency, nearPoseLatency, farPoseLatency;

    // A pose that reached `receiver` now.
    void CountPose(const protocol::Pose& pose, int receiver, const CrowdLayout* layout, uint64_t nowMicros);
    void Reset();
    void Merge(const FanoutStats& other);
};

}  // namespace fanout
