#pragma once
// Test support: runs the real moneko-server on a free loopback port in a private temp folder.
#include <cstdint>
#include <string>
#include <vector>

namespace server {

class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts bin/moneko-server (from $MONEKO_BIN_DIR) with the extra options; waits until it listens.
    bool Start(const std::vector<std::string>& extraArgs = {});
    void Stop();            // SIGTERM and wait
    void Kill();            // SIGKILL and wait: the server vanishes without a word
    void Pause(bool stop);  // SIGSTOP / SIGCONT: a silent server
    uint16_t Port() const { return port_; }
    const std::string& AdminSocket() const { return adminSocket_; }
    std::string Log() const;
    // Runs `moneko-server admin --socket ... args`; returns its standard output's first line.
    std::string Admin(const std::vector<std::string>& args) const;

private:
    int pid_ = -1;
    uint16_t port_ = 0;
    std::string dir_, adminSocket_;
};

}  // namespace server
