#include "server/world_server.h"

#include "server/admin_channel.h"
#include "server/local_world.h"
#include "server/private_folder.h"
#include "server/session.h"
#include "server/tls_identity.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sys/resource.h>

namespace server {

namespace {

// Descriptors kept free for the admin socket, the log, the data file, NATS and for accepting a
// connection only to tell it the server is full.
constexpr rlim_t kSpareDescriptors = 32;

}  // namespace

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
    : WorldServer(io, options, std::make_unique<LocalWorld>(options.Interest())) {}

WorldServer::WorldServer(asio::io_context& io, ServerOptions options, std::unique_ptr<World> world)
    : io_(io),
      options_(std::move(options)),
      acceptor_(io),
      tickTimer_(io),
      acceptRetry_(io),
      world_(std::move(world)) {
    const auto interest = options_.Interest();
    longestRoundTicks_ = uint64_t(std::max(interest.roundTicks, interest.crowdRoundTicks));
}

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
    if (options_.dataDir.empty()) options_.dataDir = DefaultDataDir();
    moderation_ = Moderation(options_.dataDir + "/bans");
    std::vector<std::string> skipped;
    if (!moderation_.Load(error, &skipped)) return false;
    for (const auto& line : skipped) Log("ignored a line of " + moderation_.Path() + ": " + LogText(line));
    world_->OnModeration([this](const std::string& line) {
        std::string why;
        Moderate(line, false, &why);
        if (!why.empty()) Log("moderation from another node: " + why);
    });

    // As many connections as descriptors allow: past the limit a newcomer is told the server is
    // full instead of the accept loop failing for everyone.
    connectionLimit_ = size_t(options_.maxConnections);
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY) {
        const rlim_t wanted = rlim_t(options_.maxConnections) + kSpareDescriptors;
        if (files.rlim_cur < wanted && files.rlim_cur < files.rlim_max) {
            files.rlim_cur = files.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, files.rlim_max);
            ::setrlimit(RLIMIT_NOFILE, &files);
            ::getrlimit(RLIMIT_NOFILE, &files);
        }
        const rlim_t fit = files.rlim_cur > 2 * kSpareDescriptors ? files.rlim_cur - kSpareDescriptors : files.rlim_cur / 2;
        if (fit < connectionLimit_) {
            connectionLimit_ = size_t(fit);
            Log("at most " + std::to_string(connectionLimit_) + " connections: the open-file limit is " +
                std::to_string(files.rlim_cur));
        }
    }

    if (!options_.plain && !SetUpTls(error)) return false;

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
        *error = "cannot listen on " + options_.address + " port " + std::to_string(options_.port) + ": " + ec.message();
        return false;
    }
    port_ = acceptor_.local_endpoint().port();
    if (options_.adminSocket.empty()) options_.adminSocket = DefaultAdminSocket(port_);
    const auto slash = options_.adminSocket.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        std::string why;
        if (!MakePrivateFolder(options_.adminSocket.substr(0, slash), &why)) {
            *error = "admin socket " + options_.adminSocket + ": " + why;
            return false;
        }
    }
    admin_ = std::make_unique<AdminChannel>(*this);
    if (!admin_->Start(options_.adminSocket, error)) return false;
    if (!options_.portFile.empty()) {
        // Written whole and renamed, so a reader never sees half a number.
        const std::string temp = options_.portFile + ".tmp";
        std::ofstream out(temp);
        out << port_ << "\n";
        out.close();
        if (!out || std::rename(temp.c_str(), options_.portFile.c_str()) != 0) {
            std::remove(temp.c_str());
            *error = "cannot write the port file " + options_.portFile;
            return false;
        }
    }
    Log("listening on " + options_.address + " port " + std::to_string(port_) + ", admin socket " + options_.adminSocket);
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
    acceptRetry_.cancel();
    if (admin_) admin_->Stop();
    auto sessions = sessions_;
    for (auto& [serial, session] : sessions) session->Drop(protocol::ByeReason::ServerShutdown, "server shutting down");
}

void WorldServer::Accept() {
    acceptor_.async_accept([this](std::error_code ec, asio::ip::tcp::socket socket) {
        if (stopped_ || ec == asio::error::operation_aborted) return;
        if (ec) {
            // Out of descriptors (or memory, or buffers): the pending connection stays queued,
            // so trying again at once would only spin. Wait, and say so once a second at most.
            if (auto line = acceptErrors_.Note("accept failed: " + ec.message())) Log(*line);
            RetryAcceptLater();
            return;
        }
        acceptDelay_ = std::chrono::milliseconds(0);
        if (auto line = acceptErrors_.Settle("accept works again")) Log(*line);
        auto session = std::make_shared<Session>(std::move(socket), *this, nextSerial_++, tls_.get());
        const bool full = sessions_.size() >= connectionLimit_;
        sessions_[session->Serial()] = session;
        const std::string address = session->PeerHex();
        ++perAddress_[address];
        if (moderation_.IsBanned(address)) {
            session->Reject(protocol::ByeReason::Kicked, "banned from this server");
        } else if (full) {
            session->Reject(protocol::ByeReason::TooManyConnections, "the server is full");
        } else if (perAddress_[address] > options_.maxConnectionsPerAddress) {
            session->Reject(protocol::ByeReason::TooManyConnections, "too many connections from your address");
        } else {
            session->Start();
        }
        Accept();
    });
}

bool WorldServer::SetUpTls(std::string* error) {
    std::string cert = options_.certFile, key = options_.keyFile;
    if (cert.empty()) {
        cert = options_.dataDir + "/tls-cert.pem";
        key = options_.dataDir + "/tls-key.pem";
        std::string why;
        if (!MakeOwnFolder(options_.dataDir, &why)) {
            *error = "data folder: " + why;
            return false;
        }
        if (!EnsureSelfSignedCertificate(cert, key, error)) return false;
    }
    tls_ = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_server);
    // TLS 1.3 only: nothing older is offered, so nothing older can be negotiated down to.
    SSL_CTX_set_min_proto_version(tls_->native_handle(), TLS1_3_VERSION);
    // AES-128 first: as strong as the protocol needs, and the cheapest on processors with AES
    // instructions, which every write to every member pays.
    SSL_CTX_set_ciphersuites(tls_->native_handle(), "TLS_AES_128_GCM_SHA256:TLS_CHACHA20_POLY1305_SHA256:TLS_AES_256_GCM_SHA384");
    SSL_CTX_set_options(tls_->native_handle(), SSL_OP_CIPHER_SERVER_PREFERENCE);
    std::error_code ec;
    tls_->use_certificate_chain_file(cert, ec);
    if (ec) {
        *error = "cannot use the certificate " + cert + ": " + ec.message();
        return false;
    }
    tls_->use_private_key_file(key, asio::ssl::context::pem, ec);
    if (ec || SSL_CTX_check_private_key(tls_->native_handle()) != 1) {
        *error = "cannot use the key " + key + " (with " + cert + ")" + (ec ? ": " + ec.message() : ": it does not match");
        return false;
    }
    Log("TLS 1.3 with " + cert + ", SHA-256 fingerprint " + CertificateFingerprint(cert));
    return true;
}

void WorldServer::RetryAcceptLater() {
    acceptDelay_ = std::min(std::chrono::milliseconds(1000), std::max(std::chrono::milliseconds(10), acceptDelay_ * 2));
    acceptRetry_.expires_after(acceptDelay_);
    acceptRetry_.async_wait([this](std::error_code ec) {
        if (!ec && !stopped_) Accept();
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

size_t WorldServer::Moderate(const std::string& line, bool share, std::string* error) {
    const auto f = SplitTabs(line);
    size_t closed = 0;
    if (f.size() == 3 && f[0] == "ban" && !f[1].empty()) {
        char* end = nullptr;
        const long long until = std::strtoll(f[2].c_str(), &end, 10);
        if (f[2].empty() || *end || until < 0) {
            *error = "bad ban time " + f[2];
            return 0;
        }
        moderation_.AddBan(f[1], Moderation::Time(std::chrono::seconds(until)));
        if (moderation_.IsBanned(f[1])) {
            auto sessions = sessions_;
            for (auto& [serial, session] : sessions) {
                if (session->PeerHex() != f[1]) continue;
                session->Drop(protocol::ByeReason::Kicked, "banned from this server");
                ++closed;
            }
        }
    } else if (f.size() == 2 && f[0] == "unban") {
        moderation_.RemoveBan(f[1]);
    } else if (f.size() == 2 && f[0] == "close" && !f[1].empty()) {
        moderation_.CloseRegion(f[1]);
    } else if (f.size() == 2 && f[0] == "open") {
        moderation_.OpenRegion(f[1]);
    } else {
        *error = "unknown moderation line " + LogText(line);
        return 0;
    }
    if (share) world_->ShareModeration(line);
    std::string why;
    if (!moderation_.Save(&why)) {
        // The decision holds until the server stops; the operator must hear it will not last.
        *error = why;
        Log("moderation not kept on disk: " + why);
    }
    return closed;
}

void WorldServer::Tick() {
    // Ticks keep their own rhythm, whatever each one costs; a server that falls more than a
    // tick behind starts afresh rather than relaying several ticks in a burst.
    const auto period = std::chrono::milliseconds(options_.TickMs());
    const auto now = std::chrono::steady_clock::now();
    auto next = tickTimer_.expiry() + period;
    if (next + period < now) next = now;
    tickTimer_.expires_at(next);
    tickTimer_.async_wait([this](std::error_code ec) {
        if (ec || stopped_) return;
        ++tick_;
        world_->Tick();
        // Members had their turns in the world's tick; anyone left waiting a whole round of
        // the longest kind (not in a region, say) is written now.
        auto waiting = std::move(atTick_);
        atTick_.clear();
        for (auto& [session, since] : waiting) {
            if (!session->WaitsForTick()) continue;
            if (tick_ - since >= longestRoundTicks_) session->FlushAtTick();
            else atTick_.emplace_back(std::move(session), since);
        }
        Tick();
    });
}

}  // namespace server
