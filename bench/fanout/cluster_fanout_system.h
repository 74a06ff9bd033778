#pragma once
// Two moneko-server nodes joined through a private nats-server, all on free loopback ports; the
// clients alternate between the nodes, so the region's load is split across them and half of
// every fan-out crosses NATS. CPU counts all three processes.
#include "bench/fanout/child_process.h"
#include "bench/fanout/fanout_system.h"
#include "bench/fanout/temp_dir.h"

#include <asio/ip/tcp.hpp>
#include <vector>

namespace fanout {

class ClusterFanoutSystem : public FanoutSystem {
public:
    static constexpr int kNodes = 2;

    std::string Name() const override { return "moneko-server x2 + NATS"; }
    bool Launch(const FanoutOptions& options, std::string* error) override;
    std::unique_ptr<FanoutClient> MakeClient(int index, asio::io_context& io, FanoutStats& stats,
                                             const CrowdLayout& layout) override;
    bool ReducesFarPoses() const override { return true; }
    std::optional<double> CpuSeconds() const override;
    std::string LogTail() const override;
    void Shutdown() override;

private:
    bool StartNats(std::string* error);

    TempDir dir_;
    std::unique_ptr<ChildProcess> nats_;
    uint16_t natsPort_ = 0;
    std::vector<std::unique_ptr<ChildProcess>> nodes_;
    std::vector<asio::ip::tcp::endpoint> endpoints_;
};

}  // namespace fanout
