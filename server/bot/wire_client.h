#pragma once
// A blocking client of the world protocol over a plain socket: the bot's connection and the
// test clients of the server. Answers the server's pings by itself.
#include "protocol/codec.h"
#include "protocol/frame_decoder.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace bot {

class WireClient {
public:
    WireClient() = default;
    ~WireClient();
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    bool Connect(const std::string& host, uint16_t port, int timeoutMs = 3000);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    bool Send(const protocol::Message& message);
    bool SendRaw(const protocol::Bytes& bytes);

    // The next message from the server (earlier backlog first); nullopt on timeout or close.
    std::optional<protocol::Message> Receive(int timeoutMs);
    // The first message, in arrival order, that matches; the others stay in the backlog.
    std::optional<protocol::Message> WaitFor(const std::function<bool(const protocol::Message&)>& match, int timeoutMs);
    template <typename T>
    std::optional<T> WaitFor(int timeoutMs) {
        auto m = WaitFor([](const protocol::Message& m) { return std::holds_alternative<T>(m); }, timeoutMs);
        if (!m) return std::nullopt;
        return std::get<T>(*m);
    }
    // Sends a request that takes a Reply (its seq is set here) and waits for that Reply.
    std::optional<protocol::Reply> Call(protocol::Message request, int timeoutMs = 3000);

    // Reads whatever has arrived without blocking (into the backlog); false once closed.
    bool Pump(int timeoutMs = 0);
    std::deque<protocol::Message>& Backlog() { return backlog_; }
    // True once the server closed the connection (after everything it sent was read).
    bool PeerClosed() const { return peerClosed_; }

private:
    int fd_ = -1;
    protocol::FrameDecoder decoder_{protocol::Direction::ToClient};
    std::deque<protocol::Message> backlog_;
    uint16_t seq_ = 0;
    bool peerClosed_ = false;
};

}  // namespace bot
