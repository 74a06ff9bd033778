#pragma once
// Runs the workload against one system: launch, join every client, warm up, measure, stop.
#include "bench/fanout/fanout_options.h"
#include "bench/fanout/fanout_result.h"
#include "bench/fanout/fanout_system.h"

namespace fanout {

class FanoutDriver {
public:
    explicit FanoutDriver(const FanoutOptions& options) : options_(options) {}
    FanoutResult Run(FanoutSystem& system);

private:
    FanoutOptions options_;
};

}  // namespace fanout
