#include "server/bot/wire_client.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bot {

using namespace protocol;
using Clock = std::chrono::steady_clock;

WireClient::~WireClient() {
    Close();
    if (tlsContext_) SSL_CTX_free(tlsContext_);
}

bool WireClient::WaitReady(bool write, int timeoutMs) const {
    pollfd p{fd_, short(write ? POLLOUT : POLLIN), 0};
    return ::poll(&p, 1, timeoutMs) == 1;
}

bool WireClient::Handshake(const std::string& host, int timeoutMs) {
    if (!tlsContext_) {
        // OpenSSL writes to the socket without MSG_NOSIGNAL: a server that has closed must cost
        // a failed write, not the process.
        std::signal(SIGPIPE, SIG_IGN);
        tlsContext_ = SSL_CTX_new(TLS_client_method());
        if (!tlsContext_) return false;
        SSL_CTX_set_min_proto_version(tlsContext_, TLS1_3_VERSION);
        SSL_CTX_set_verify(tlsContext_, SSL_VERIFY_NONE, nullptr);
        // A server that closes after its Bye without a TLS goodbye has still closed normally.
        SSL_CTX_set_options(tlsContext_, SSL_OP_IGNORE_UNEXPECTED_EOF);
    }
    tls_ = SSL_new(tlsContext_);
    if (!tls_ || SSL_set_fd(tls_, fd_) != 1) return false;
    SSL_set_tlsext_host_name(tls_, host.c_str());
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int rc = SSL_connect(tls_);
        if (rc == 1) break;
        const int error = SSL_get_error(tls_, rc);
        const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if ((error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) || left <= 0 ||
            !WaitReady(error == SSL_ERROR_WANT_WRITE, left)) {
            ERR_clear_error();
            return false;
        }
    }
    if (X509* cert = SSL_get1_peer_certificate(tls_)) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (X509_digest(cert, EVP_sha256(), digest, &size) == 1) {
            char hex[4];
            for (unsigned i = 0; i < size; ++i) {
                std::snprintf(hex, sizeof hex, i ? ":%02X" : "%02X", digest[i]);
                fingerprint_ += hex;
            }
        }
        X509_free(cert);
    }
    return true;
}

bool WireClient::Connect(const std::string& host, uint16_t port, int timeoutMs) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) return false;
    fd_ = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int rc = fd_ >= 0 ? ::connect(fd_, found->ai_addr, found->ai_addrlen) : -1;
    freeaddrinfo(found);
    if (fd_ < 0) return false;
    if (rc != 0 && errno == EINPROGRESS) {
        pollfd p{fd_, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        if (::poll(&p, 1, timeoutMs) == 1 && ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
            rc = 0;
    }
    if (rc != 0) {
        Close();
        return false;
    }
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fingerprint_.clear();
    if (!plain_ && !Handshake(host, timeoutMs)) {
        Close();
        return false;
    }
    decoder_ = FrameDecoder(Direction::ToClient);
    backlog_.clear();
    peerClosed_ = false;
    return true;
}

void WireClient::Close() {
    if (tls_) SSL_free(tls_);
    tls_ = nullptr;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool WireClient::SendRaw(const Bytes& bytes) {
    if (tls_) {
        if (bytes.empty()) return fd_ >= 0;
        for (;;) {
            // Retried with the same bytes until the whole of them is taken.
            const int rc = SSL_write(tls_, bytes.data(), int(bytes.size()));
            if (rc > 0) return true;
            const int error = SSL_get_error(tls_, rc);
            if ((error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) ||
                !WaitReady(error == SSL_ERROR_WANT_WRITE, 5000)) {
                ERR_clear_error();
                return false;
            }
        }
    }
    size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 5000) <= 0) return false;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return fd_ >= 0;
}

bool WireClient::Send(const Message& message) { return SendRaw(Encode(message)); }

std::map<uint16_t, std::vector<protocol::Pose>> WireClient::TakeMovesWithin(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do Pump(10);
    while (std::chrono::steady_clock::now() < deadline);
    std::map<uint16_t, std::vector<protocol::Pose>> moves;
    for (auto& m : backlog_)
        if (auto* moved = std::get_if<protocol::AvatarMoved>(&m)) moves[moved->clientId].push_back(moved->pose);
    backlog_.clear();
    return moves;
}

bool WireClient::Pump(int timeoutMs) {
    if (fd_ < 0) return false;
    // Bytes TLS has already decrypted do not show in poll.
    if (!(tls_ && SSL_pending(tls_) > 0) && !WaitReady(false, timeoutMs)) return true;
    uint8_t buffer[16384];
    ssize_t n = 0;
    if (tls_) {
        const int rc = SSL_read(tls_, buffer, sizeof buffer);
        if (rc <= 0) {
            const int error = SSL_get_error(tls_, rc);
            ERR_clear_error();
            if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return true;
            peerClosed_ = true;
            Close();
            return false;
        }
        n = rc;
    } else {
        n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            peerClosed_ = true;
            Close();
            return false;
        }
        if (n < 0) return true;
    }
    decoder_.Append(buffer, size_t(n));
    Message m;
    for (;;) {
        auto status = decoder_.Next(&m);
        if (status == FrameDecoder::Status::NeedMore) break;
        if (status == FrameDecoder::Status::Failed) {
            Close();
            return false;
        }
        if (auto* ping = std::get_if<Ping>(&m)) {
            Send(Pong{ping->token});
            continue;
        }
        backlog_.push_back(std::move(m));
    }
    return true;
}

std::optional<Message> WireClient::WaitFor(const std::function<bool(const Message&)>& match, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t checked = 0;
    for (;;) {
        for (; checked < backlog_.size(); ++checked) {
            if (match(backlog_[checked])) {
                Message m = std::move(backlog_[checked]);
                backlog_.erase(backlog_.begin() + static_cast<std::ptrdiff_t>(checked));
                return m;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || fd_ < 0) return std::nullopt;
        Pump(static_cast<int>(left));
    }
}

std::optional<Message> WireClient::Receive(int timeoutMs) {
    return WaitFor([](const Message&) { return true; }, timeoutMs);
}

std::optional<Reply> WireClient::Call(Message request, int timeoutMs) {
    const uint16_t seq = ++seq_;
    std::visit(
        [seq](auto& m) {
            if constexpr (requires { m.seq; }) m.seq = seq;
        },
        request);
    if (!Send(request)) return std::nullopt;
    auto reply = WaitFor(
        [seq](const Message& m) {
            auto* r = std::get_if<Reply>(&m);
            return r && r->seq == seq;
        },
        timeoutMs);
    if (!reply) return std::nullopt;
    return std::get<Reply>(*reply);
}

}  // namespace bot
