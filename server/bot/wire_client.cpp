#include "server/bot/wire_client.h"

#include <arpa/inet.h>
#include <cerrno>
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

WireClient::~WireClient() { Close(); }

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
    decoder_ = FrameDecoder(Direction::ToClient);
    backlog_.clear();
    peerClosed_ = false;
    return true;
}

void WireClient::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool WireClient::SendRaw(const Bytes& bytes) {
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

bool WireClient::Pump(int timeoutMs) {
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return true;
    uint8_t buffer[16384];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        peerClosed_ = true;
        Close();
        return false;
    }
    if (n < 0) return true;
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
