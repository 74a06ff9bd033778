#pragma once
// Prints the figures of a run as a table, the ratio between the world server and the broker, and
// whether the world server met its target.
#include "bench/fanout/fanout_options.h"
#include "bench/fanout/fanout_result.h"

#include <ostream>
#include <string>
#include <vector>

namespace fanout {

class FanoutReport {
public:
    // p99 the world server must stay under, in microseconds.
    static constexpr int64_t kTargetP99Micros = 50'000;

    static void Print(std::ostream& out, const FanoutOptions& options, const std::vector<FanoutResult>& results,
                      const std::string& loadAverage);
    // Met when the world server delivered at least as much a second as the broker, with its p99
    // under the target; nothing to say unless both ran.
    static std::optional<bool> TargetMet(const FanoutResult& world, const FanoutResult& broker);
    // Met when the world server delivered (nearly) every near pose, those with p99 under the target.
    // Near poses still in flight as the window closes are the allowance.
    static bool NearTargetMet(const FanoutResult& world);
    static constexpr double kNearShareNeeded = 0.99;
    // The first three fields of /proc/loadavg.
    static std::string LoadAverage();
};

}  // namespace fanout
