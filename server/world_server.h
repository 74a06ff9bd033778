#pragma once
// Accepts connections, keeps the sessions and the per-address counts, drives the pose tick and
// serves the admin socket. Everything runs on one io_context thread.
#include "server/log_throttle.h"
#include "server/moderation.h"
#include "server/server_options.h"
#include "server/world.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

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
    const Moderation& GetModeration() const { return moderation_; }
    void Forget(Session* session);
    // The session writes what it has queued at its next turn in a pose round, or after the
    // longest round if no region gives it one.
    void WriteAtTick(std::shared_ptr<Session> session) { atTick_.emplace_back(std::move(session), tick_); }
    // One line on standard error per session event.
    void Log(const std::string& line);

    // Applies a moderation line ("ban KEY UNTIL", "unban KEY", "close REGION", "open REGION",
    // fields separated by tabs), keeps it on disk and, when `share`, tells the other nodes.
    // Returns how many connections a ban closed here; *error when the line is not one of these
    // or the file could not be written (the decision holds in memory all the same).
    size_t Moderate(const std::string& line, bool share, std::string* error);
    // Bans in force, for the admin's list; forgets the expired ones.
    std::vector<Moderation::Ban> Bans() { return moderation_.Bans(); }
    // How many connections are open now and how many may be.
    size_t ConnectionCount() const { return sessions_.size(); }
    size_t ConnectionLimit() const { return connectionLimit_; }

private:
    void Accept();
    void Tick();
    // After an accept error: try again later, later each time up to a second.
    void RetryAcceptLater();
    // The TLS context from the configured or the server's own certificate.
    bool SetUpTls(std::string* error);

    asio::io_context& io_;
    ServerOptions options_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer tickTimer_, acceptRetry_;
    std::unique_ptr<World> world_;
    std::unique_ptr<AdminChannel> admin_;
    std::unique_ptr<asio::ssl::context> tls_;  // null: --plain
    std::map<uint64_t, std::shared_ptr<Session>> sessions_;
    std::vector<std::pair<std::shared_ptr<Session>, uint64_t>> atTick_;  // and the tick it began waiting
    uint64_t tick_ = 0;
    uint64_t longestRoundTicks_ = 1;  // of any region, small or crowded
    std::map<std::string, int> perAddress_;
    Moderation moderation_;
    LogThrottle acceptErrors_;
    std::chrono::milliseconds acceptDelay_{0};
    size_t connectionLimit_ = 0;
    uint64_t nextSerial_ = 1;
    uint16_t port_ = 0;
    bool stopped_ = false;
};

// Printable form of CP932 bytes for the log: ASCII as is, everything else as \xNN.
std::string LogText(const std::string& bytes);

}  // namespace server
