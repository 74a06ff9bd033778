#include "server/world_server.h"

#include "server/admin_channel.h"
#include "server/local_world.h"
#include "server/session.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>

namespace server {

std::string LogText(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

WorldServer::WorldServer(asio::io_context& io, ServerOptions options)
    : io_(io), options_(std::move(options)), acceptor_(io), tickTimer_(io), world_(std::make_unique<LocalWorld>()) {}

WorldServer::WorldServer(asio::io_context& io, ServerOptions options, std::unique_ptr<World> world)
    : io_(io), options_(std::move(options)), acceptor_(io), tickTimer_(io), world_(std::move(world)) {}

WorldServer::~WorldServer() = default;

void WorldServer::Log(const std::string& line) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::fprintf(stderr, "%s %s\n", stamp, line.c_str());
}

bool WorldServer::Start(std::string* error) {
    std::error_code ec;
    auto address = asio::ip::make_address(options_.address, ec);
    if (ec) {
        *error = "bad address " + options_.address;
        return false;
    }
    asio::ip::tcp::endpoint endpoint(address, options_.port);
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor_.bind(endpoint, ec);
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        *error = "cannot listen on " + options_.address + ":" + std::to_string(options_.port) + ": " + ec.message();
        return false;
    }
    port_ = acceptor_.local_endpoint().port();
    if (options_.adminSocket.empty()) options_.adminSocket = DefaultAdminSocket(port_);
    admin_ = std::make_unique<AdminChannel>(*this);
    if (!admin_->Start(options_.adminSocket, error)) return false;
    if (!options_.portFile.empty()) {
        // Written whole and renamed, so a reader never sees half a number.
        const std::string temp = options_.portFile + ".tmp";
        std::ofstream(temp) << port_ << "\n";
        std::rename(temp.c_str(), options_.portFile.c_str());
    }
    Log("listening on " + options_.address + ":" + std::to_string(port_) + ", admin socket " + options_.adminSocket);
    Accept();
    Tick();
    return true;
}

void WorldServer::Stop() {
    if (stopped_) return;
    stopped_ = true;
    std::error_code ec;
    acceptor_.close(ec);
    tickTimer_.cancel();
    if (admin_) admin_->Stop();
    auto sessions = sessions_;
    for (auto& [serial, session] : sessions) session->Drop(protocol::ByeReason::ServerShutdown, "server shutting down");
}

void WorldServer::Accept() {
    acceptor_.async_accept([this](std::error_code ec, asio::ip::tcp::socket socket) {
        if (stopped_) return;
        if (!ec) {
            auto session = std::make_shared<Session>(std::move(socket), *this, nextSerial_++);
            sessions_[session->Serial()] = session;
            const std::string address = session->PeerHex();
            if (++perAddress_[address] > options_.maxConnectionsPerAddress) {
                session->Reject();
            } else {
                session->Start();
            }
        } else if (ec == asio::error::no_descriptors) {
            Log("accept: out of file descriptors");
        }
        Accept();
    });
}

void WorldServer::Forget(Session* session) {
    auto it = sessions_.find(session->Serial());
    if (it == sessions_.end()) return;
    auto count = perAddress_.find(session->PeerHex());
    if (count != perAddress_.end() && --count->second <= 0) perAddress_.erase(count);
    Log("session " + std::to_string(session->Serial()) + " closed");
    sessions_.erase(it);
}

void WorldServer::Tick() {
    tickTimer_.expires_after(std::chrono::milliseconds(options_.poseTickMs));
    tickTimer_.async_wait([this](std::error_code ec) {
        if (ec || stopped_) return;
        world_->Tick();
        Tick();
    });
}

}  // namespace server
