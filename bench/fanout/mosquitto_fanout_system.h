#pragma once
// The Mosquitto broker on a free loopback port with a private config, and MQTT clients that all
// subscribe to one topic: the same fan-out as a region, for comparison.
#include "bench/fanout/child_process.h"
#include "bench/fanout/fanout_system.h"
#include "bench/fanout/temp_dir.h"

#include <cstdint>

namespace fanout {

class MosquittoFanoutSystem : public FanoutSystem {
public:
    // tls: the broker's listener speaks TLS 1.3 with a certificate made for the run.
    explicit MosquittoFanoutSystem(bool tls = true);
    ~MosquittoFanoutSystem() override;

    std::string Name() const override { return tls_ ? "mosquitto" : "mosquitto plain"; }
    bool Launch(const FanoutOptions& options, std::string* error) override;
    std::unique_ptr<FanoutClient> MakeClient(int index, asio::io_context& io, FanoutStats& stats,
                                             const CrowdLayout& layout) override;
    std::optional<double> CpuSeconds() const override;
    bool ChatReachesSender() const override { return false; }
    std::string LogTail() const override;
    void Shutdown() override;

    static std::string Config(uint16_t port);
    // The listener's TLS lines for a certificate and key.
    static std::string TlsConfig(const std::string& cert, const std::string& key);

private:
    TempDir dir_;
    ChildProcess broker_;
    uint16_t port_ = 0;
    bool tls_ = false;
    std::string cert_;  // what the clients take as their CA (the certificate signs itself)
};

}  // namespace fanout
