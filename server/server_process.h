#pragma once
// Test support: runs the real moneko-server on a free loopback port in a private temp folder.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace server {

class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts bin/moneko-server (from $MONEKO_BIN_DIR) with the extra options; waits until it listens.
    // Started again, it keeps its folder and with it the data folder (bans, closed regions).
    bool Start(const std::vector<std::string>& extraArgs = {});
    // For the next Start: an environment variable for the server (empty value: removed), its
    // open-file limit, and whether it picks its admin socket itself instead of one in its folder.
    void SetEnv(const std::string& name, const std::string& value) { env_.emplace_back(name, value); }
    void SetFileLimit(int files) { fileLimit_ = files; }
    void LeaveAdminSocketToServer() { ownAdminSocket_ = false; }
    const std::string& Folder() const { return dir_; }
    int Pid() const { return pid_; }
    void Stop();            // SIGTERM and wait
    void Kill();            // SIGKILL and wait: the server vanishes without a word
    void Pause(bool stop);  // SIGSTOP / SIGCONT: a silent server
    uint16_t Port() const { return port_; }
    const std::string& AdminSocket() const { return adminSocket_; }
    std::string Log() const;
    // Runs `moneko-server admin --socket ... args`; returns its standard output's first line.
    std::string Admin(const std::vector<std::string>& args) const;
    // The same, all of its standard output.
    std::string AdminAll(const std::vector<std::string>& args) const;

private:
    int pid_ = -1;
    uint16_t port_ = 0;
    std::string dir_, adminSocket_;
    std::vector<std::pair<std::string, std::string>> env_;
    int fileLimit_ = 0;
    bool ownAdminSocket_ = true;
};

}  // namespace server
