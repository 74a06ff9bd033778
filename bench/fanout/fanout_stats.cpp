#include "bench/fanout/fanout_stats.h"

namespace fanout {

void FanoutStats::Reset() {
    posesSent = chatsSent = poseDeliveries = chatDeliveries = unstamped = connectionsLost = 0;
    poseLatency.Reset();
    chatLatency.Reset();
}

void FanoutStats::Merge(const FanoutStats& other) {
    posesSent += other.posesSent;
    chatsSent += other.chatsSent;
    poseDeliveries += other.poseDeliveries;
    chatDeliveries += other.chatDeliveries;
    unstamped += other.unstamped;
    connectionsLost += other.connectionsLost;
    poseLatency.Merge(other.poseLatency);
    chatLatency.Merge(other.chatLatency);
}

}  // namespace fanout
