#include "bench/fanout/fanout_result.h"

#include <algorithm>

namespace fanout {

double FanoutResult::DeliveriesPerSecond() const {
    return seconds > 0 ? double(stats.poseDeliveries + stats.chatDeliveries) / seconds : 0;
}

double FanoutResult::ExpectedPerSecond() const {
    if (seconds <= 0 || clients < 2) return 0;
    const int chatReceivers = chatReachesSender ? clients : clients - 1;
    return (double(stats.posesSent) * (clients - 1) + double(stats.chatsSent) * chatReceivers) / seconds;
}

double FanoutResult::NearPerSecond() const {
    return seconds > 0 ? double(stats.nearPoseDeliveries) / seconds : 0;
}

double FanoutResult::NearExpectedPerSecond() const {
    // Everyone sends at the same rate and each receiver has the same number of near senders,
    // so a pose reaches that many receivers on average.
    if (seconds <= 0 || clients < 2) return 0;
    return double(stats.posesSent) * double(nearPairs) / double(clients) / seconds;
}

double FanoutResult::FarPerPairPerSecond() const {
    const double pairs = double(clients) * double(clients - 1) - double(nearPairs);
    return seconds > 0 && pairs > 0 ? double(stats.farPoseDeliveries) / seconds / pairs : 0;
}

double FanoutResult::FarExpectedPerPairPerSecond(const FanoutOptions& options) const {
    const double sent = seconds > 0 && clients > 0 ? double(stats.posesSent) / seconds / clients : 0;
    if (!reducesFarPoses) return sent;
    // The latest pose once a far period, if the sender moved in it; the period stretches so that
    // a receiver's far senders together stay within its far budget.
    const double farSenders = double(clients - 1) - double(nearPairs) / std::max(clients, 1);
    double rate = std::min(sent, 1000.0 / options.farPoseMs);
    if (farSenders > 0) rate = std::min(rate, double(options.farPerSecond) / farSenders);
    return rate;
}

int64_t FanoutResult::QuantileMicros(double q) const {
    LatencyHistogram all = stats.poseLatency;
    all.Merge(stats.chatLatency);
    return all.Quantile(q);
}

std::optional<double> FanoutResult::ServerCpuPercent() const {
    if (!serverCpuSeconds || seconds <= 0) return std::nullopt;
    return 100.0 * *serverCpuSeconds / seconds;
}

double FanoutResult::BenchCpuPercent() const { return seconds > 0 ? 100.0 * benchCpuSeconds / seconds : 0; }

}  // namespace fanout
