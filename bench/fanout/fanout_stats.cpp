#include "bench/fanout/fanout_stats.h"

#include "bench/fanout/fanout_stamp.h"

namespace fanout {

void FanoutStats::CountPose(const protocol::Pose& pose, int receiver, const CrowdLayout* layout, uint64_t nowMicros) {
    ++poseDeliveries;
    const auto sent = StampOfPose(pose);
    if (!sent) {
        ++unstamped;
        return;
    }
    const int64_t latency = int64_t(nowMicros) - int64_t(*sent);
    poseLatency.Add(latency);
    const auto sender = SenderOfPose(pose);
    if (!layout || !sender) return;
    if (layout->IsNear(receiver, *sender)) {
        ++nearPoseDeliveries;
        nearPoseLatency.Add(latency);
    } else {
        ++farPoseDeliveries;
        farPoseLatency.Add(latency);
    }
}

void FanoutStats::Reset() {
    posesSent = chatsSent = poseDeliveries = chatDeliveries = unstamped = connectionsLost = 0;
    nearPoseDeliveries = farPoseDeliveries = 0;
    poseLatency.Reset();
    chatLatency.Reset();
    nearPoseLatency.Reset();
    farPoseLatency.Reset();
}

void FanoutStats::Merge(const FanoutStats& other) {
    posesSent += other.posesSent;
    chatsSent += other.chatsSent;
    poseDeliveries += other.poseDeliveries;
    chatDeliveries += other.chatDeliveries;
    nearPoseDeliveries += other.nearPoseDeliveries;
    farPoseDeliveries += other.farPoseDeliveries;
    unstamped += other.unstamped;
    connectionsLost += other.connectionsLost;
    poseLatency.Merge(other.poseLatency);
    chatLatency.Merge(other.chatLatency);
    nearPoseLatency.Merge(other.nearPoseLatency);
    farPoseLatency.Merge(other.farPoseLatency);
}

}  // namespace fanout
