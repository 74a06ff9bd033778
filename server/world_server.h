#pragma once
// Accepts connections, keeps the sessions and the per-address counts, drives the pose tick and
// serves the admin socket. Everything runs on one io_context thread.
#include "server/server_options.h"
#include "server/world.h"

#include <asio.hpp>

#include <map>
#include <memory>
#include <string>

namespace server {

class Session;
class AdminChannel;

class WorldServer {
public:
    WorldServer(asio::io_context& io, ServerOptions options);
    // Serves the given world instead of one of its own (a node of a cluster).
    WorldServer(asio::io_context& io, ServerOptions options, std::unique_ptr<World> world);
    ~WorldServer();

    // Binds and starts listening; false (with *error) when the address cannot be used.
    bool Start(std::string* error);
    void Stop();
    uint16_t Port() const { return port_; }

    asio::io_context& Io() { return io_; }
    World& GetWorld() { return *world_; }
    const ServerOptions& Options() const { return options_; }
    void Forget(Session* session);
    // One line on standard error per session event.
    void Log(const std::string& line);

private:
    void Accept();
    void Tick();

    asio::io_context& io_;
    ServerOptions options_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer tickTimer_;
    std::unique_ptr<World> world_;
    std::unique_ptr<AdminChannel> admin_;
    std::map<uint64_t, std::shared_ptr<Session>> sessions_;
    std::map<std::string, int> perAddress_;
    uint64_t nextSerial_ = 1;
    uint16_t port_ = 0;
    bool stopped_ = false;
};

// Printable form of CP932 bytes for the log: ASCII as is, everything else as \xNN.
std::string LogText(const std::string& bytes);

}  // namespace server
