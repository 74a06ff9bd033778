#include "bench/fanout/fanout_report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace fanout {
namespace {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Millis(int64_t micros) { return Format("%.2f", double(micros) / 1000.0); }

const FanoutResult* Find(const std::vector<FanoutResult>& results, const std::string& system) {
    for (const auto& r : results)
        if (r.system == system && r.Ok()) return &r;
    return nullptr;
}

}  // namespace

std::string FanoutReport::LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    if (!(in >> a >> b >> c)) return "?";
    return a + " " + b + " " + c;
}

std::optional<bool> FanoutReport::TargetMet(const FanoutResult& world, const FanoutResult& broker) {
    if (!world.Ok() || !broker.Ok()) return std::nullopt;
    return world.DeliveriesPerSecond() >= broker.DeliveriesPerSecond() && world.QuantileMicros(0.99) < kTargetP99Micros;
}

bool FanoutReport::NearTargetMet(const FanoutResult& world) {
    return world.Ok() && world.NearPerSecond() >= kNearShareNeeded * world.NearExpectedPerSecond() &&
           world.stats.nearPoseLatency.Quantile(0.99) < kTargetP99Micros;
}

void FanoutReport::Print(std::ostream& out, const FanoutOptions& options, const std::vector<FanoutResult>& results,
                         const std::string& loadAverage) {
    out << "fan-out: " << options.clients << " clients in one region/topic, " << options.posesPerSecond
        << " poses/s each, a chat line every " << Format("%.1f", options.chatIntervalSeconds) << " s each; "
        << Format("%.1f", options.warmupSeconds) << " s warm-up, " << Format("%.1f", options.seconds)
        << " s measured; " << options.threads << " client thread(s); each hears its " << options.nearAvatars
        << " nearest at full rate, the rest every " << options.farPoseMs << " ms; load average " << loadAverage
        << "\n";
    char line[512];
    std::snprintf(line, sizeof line, "%-14s %12s %11s %9s %9s %9s %9s %9s %9s %7s %7s %9s\n", "system",
                  "deliveries/s", "expected/s", "p50 ms", "p99 ms", "pose p99", "chat p99", "max ms", "server %",
                  "bench %", "clients", "unstamped");
    out << line;
    for (const auto& r : results) {
        if (!r.Ok()) {
            out << r.system << ": failed: " << r.error << "\n";
            continue;
        }
        const auto cpu = r.ServerCpuPercent();
        const int64_t max = std::max(r.stats.poseLatency.Max(), r.stats.chatLatency.Max());
        std::snprintf(line, sizeof line, "%-14s %12.0f %11.0f %9s %9s %9s %9s %9s %9s %7.0f %3d/%-3d %9llu\n",
                      r.system.c_str(), r.DeliveriesPerSecond(), r.ExpectedPerSecond(),
                      Millis(r.QuantileMicros(0.5)).c_str(), Millis(r.QuantileMicros(0.99)).c_str(),
                      Millis(r.stats.poseLatency.Quantile(0.99)).c_str(),
                      Millis(r.stats.chatLatency.Quantile(0.99)).c_str(), Millis(max).c_str(),
                      cpu ? Format("%.0f", *cpu).c_str() : "?", r.BenchCpuPercent(), r.connectedAtEnd, r.clients,
                      static_cast<unsigned long long>(r.stats.unstamped));
        out << line;
    }
    std::snprintf(line, sizeof line, "%-14s %11s %11s %7s %9s %9s %11s %10s %9s %9s\n", "near/far", "near/s",
                  "near exp/s", "near %", "near p50", "near p99", "far/s", "far/pair/s", "expected", "far p99");
    out << line;
    for (const auto& r : results) {
        if (!r.Ok()) continue;
        const double nearExpected = r.NearExpectedPerSecond();
        std::snprintf(line, sizeof line, "%-14s %11.0f %11.0f %7.1f %9s %9s %11.0f %10.3f %9.3f %9s\n",
                      r.system.c_str(), r.NearPerSecond(), nearExpected,
                      nearExpected > 0 ? 100.0 * r.NearPerSecond() / nearExpected : 0.0,
                      Millis(r.stats.nearPoseLatency.Quantile(0.5)).c_str(),
                      Millis(r.stats.nearPoseLatency.Quantile(0.99)).c_str(),
                      r.seconds > 0 ? double(r.stats.farPoseDeliveries) / r.seconds : 0.0, r.FarPerPairPerSecond(),
                      r.FarExpectedPerPairPerSecond(options), Millis(r.stats.farPoseLatency.Quantile(0.99)).c_str());
        out << line;
    }
    const FanoutResult* world = Find(results, "moneko-server");
    if (world) {
        out << "near target (" << Format("%.0f", 100 * kNearShareNeeded) << " % of near poses delivered, near p99 < "
            << Millis(kTargetP99Micros) << " ms): " << (NearTargetMet(*world) ? "met" : "NOT met") << "\n";
    }
    const FanoutResult* broker = Find(results, "mosquitto");
    if (world && broker) {
        const double deliveries = broker->DeliveriesPerSecond() > 0
                                      ? world->DeliveriesPerSecond() / broker->DeliveriesPerSecond()
                                      : 0;
        const int64_t brokerP99 = broker->QuantileMicros(0.99);
        out << "ratio moneko-server / mosquitto: deliveries/s " << Format("%.3f", deliveries) << ", p99 "
            << (brokerP99 > 0 ? Format("%.2f", double(world->QuantileMicros(0.99)) / double(brokerP99)) : "?")
            << ", server CPU "
            << (world->ServerCpuPercent() && broker->ServerCpuPercent() && *broker->ServerCpuPercent() > 0
                    ? Format("%.2f", *world->ServerCpuPercent() / *broker->ServerCpuPercent())
                    : "?")
            << "\n";
        out << "target (deliveries/s >= mosquitto's, p99 < " << Millis(kTargetP99Micros)
            << " ms): " << (*TargetMet(*world, *broker) ? "met" : "NOT met") << "\n";
    }
}

}  // namespace fanout
