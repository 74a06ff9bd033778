#pragma once
// moneko-server on a free loopback port, with its limits opened wide enough for the workload
// (every client comes from 127.0.0.1), and clients that all enter one region: over TLS as
// deployed, or plain (--plain) to see what the encryption costs.
#include "bench/fanout/child_process.h"
#include "bench/fanout/fanout_system.h"
#include "bench/fanout/temp_dir.h"

#include <asio/ip/tcp.hpp>
#include <asio/ssl.hpp>
#include <vector>

namespace fanout {

class WorldFanoutSystem : public FanoutSystem {
public:
    explicit WorldFanoutSystem(bool tls = true);
    std::string Name() const override { return tls_ ? "moneko-server" : "moneko-server plain"; }
    bool Launch(const FanoutOptions& options, std::string* error) override;
    std::unique_ptr<FanoutClient> MakeClient(int index, asio::io_context& io, FanoutStats& stats,
                                             const CrowdLayout& layout) override;
    bool ReducesFarPoses() const override { return true; }
    std::optional<double> CpuSeconds() const override;
    std::string LogTail() const override;
    void Shutdown() override;

    // The server's arguments for a workload (besides where it listens).
    static std::vector<std::string> LimitArguments(const FanoutOptions& options);

protected:
    // Starts one more server (its log nodeN.log) and adds its address to those clients use.
    bool LaunchNode(const FanoutOptions& options, const std::vector<std::string>& extraArgs, std::string* error);

    TempDir dir_;
    std::unique_ptr<asio::ssl::context> tls_;  // the clients'; null: plain
    // Clients spread over the nodes round-robin; a multi-node deployment only adds launches.
    std::vector<std::unique_ptr<ChildProcess>> nodes_;
    std::vector<asio::ip::tcp::endpoint> endpoints_;
};

}  // namespace fanout
