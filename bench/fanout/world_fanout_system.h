#pragma once
// moneko-server on a free loopback port, with its limits opened wide enough for the workload
// (every client comes from 127.0.0.1), and clients that all enter one region.
#include "bench/fanout/child_process.h"
#include "bench/fanout/fanout_system.h"
#include "bench/fanout/temp_dir.h"

#include <asio/ip/tcp.hpp>
#include <vector>

namespace fanout {

class WorldFanoutSystem : public FanoutSystem {
public:
    std::string Name() const override { return "moneko-server"; }
    bool Launch(const FanoutOptions& options, std::string* error) override;
    std::unique_ptr<FanoutClient> MakeClient(int index, asio::io_context& io, FanoutStats& stats) override;
    std::optional<double> CpuSeconds() const override;
    std::string LogTail() const override;
    void Shutdown() override;

    // The server's arguments for a workload (besides where it listens).
    static std::vector<std::string> LimitArguments(const FanoutOptions& options);

protected:
    // Starts one more server (its log nodeN.log) and adds its address to those clients use.
    bool LaunchNode(const FanoutOptions& options, const std::vector<std::string>& extraArgs, std::string* error);

    TempDir dir_;
    // Clients spread over the nodes round-robin; a multi-node deployment only adds launches.
    std::vector<std::unique_ptr<ChildProcess>> nodes_;
    std::vector<asio::ip::tcp::endpoint> endpoints_;
};

}  // namespace fanout
