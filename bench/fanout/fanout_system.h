#pragma once
// A system the workload runs against: it starts its processes on loopback, makes clients that
// talk to them and reports the CPU its processes used. A new deployment (say, several server
// nodes) is one more implementation.
#include "bench/fanout/crowd_layout.h"
#include "bench/fanout/fanout_client.h"
#include "bench/fanout/fanout_options.h"
#include "bench/fanout/fanout_stats.h"

#include <asio/io_context.hpp>
#include <memory>
#include <optional>
#include <string>

namespace fanout {

class FanoutSystem {
public:
    virtual ~FanoutSystem() = default;

    virtual std::string Name() const = 0;
    // Starts the processes and waits until they accept connections.
    virtual bool Launch(const FanoutOptions& options, std::string* error) = 0;
    // The client stands where the layout puts it and tells near poses from far ones by it.
    virtual std::unique_ptr<FanoutClient> MakeClient(int index, asio::io_context& io, FanoutStats& stats,
                                                     const CrowdLayout& layout) = 0;
    // CPU seconds all of the system's processes used so far; nullopt when one of them is gone.
    virtual std::optional<double> CpuSeconds() const = 0;
    // Whether a chat line comes back to the client that sent it (a pose never does).
    virtual bool ChatReachesSender() const { return true; }
    // Whether far poses come at a reduced rate (the world server) or at full rate (the broker).
    virtual bool ReducesFarPoses() const { return false; }
    // Whatever the processes logged, for a report of what went wrong.
    virtual std::string LogTail() const = 0;
    virtual void Shutdown() = 0;
};

}  // namespace fanout
