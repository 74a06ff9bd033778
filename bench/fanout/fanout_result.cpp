#include "bench/fanout/fanout_result.h"

namespace fanout {

double FanoutResult::DeliveriesPerSecond() const {
    return seconds > 0 ? double(stats.poseDeliveries + stats.chatDeliveries) / seconds : 0;
}

double FanoutResult::ExpectedPerSecond() const {
    if (seconds <= 0 || clients < 2) return 0;
    const int chatReceivers = chatReachesSender ? clients : clients - 1;
    return (double(stats.posesSent) * (clients - 1) + double(stats.chatsSent) * chatReceivers) / seconds;
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
