#pragma once
// Test support: a private nats-server with JetStream on a free loopback port, its store in a
// temp folder. It can be stopped and started again on the same port (an outage).
#include <cstdint>
#include <string>

namespace e2e {

class NatsServerProcess {
public:
    NatsServerProcess() = default;
    ~NatsServerProcess();
    NatsServerProcess(const NatsServerProcess&) = delete;
    NatsServerProcess& operator=(const NatsServerProcess&) = delete;

    // Picks a free port on the first start; later starts reuse it. Waits until it accepts.
    bool Start();
    // For the next Start: clients must speak TLS, the server showing this certificate and key.
    void UseTls(const std::string& certFile, const std::string& keyFile) {
        tlsCert_ = certFile;
        tlsKey_ = keyFile;
    }
    const std::string& Folder() const { return dir_; }
    void Stop();
    uint16_t Port() const { return port_; }
    std::string Url() const { return (tlsCert_.empty() ? "nats://" : "tls://") + std::string("127.0.0.1:") + std::to_string(port_); }

private:
    int pid_ = -1;
    uint16_t port_ = 0;
    std::string dir_;
    std::string tlsCert_, tlsKey_;
};

}  // namespace e2e
