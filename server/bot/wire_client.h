#pragma once
// A blocking client of the world protocol: the bot's connection and the test clients of the
// server. Speaks TLS 1.3 unless told to speak plain; it does not check the server's certificate
// (it is a tool for tests and load, not for users) but tells what it was. Answers the server's
// pings by itself.
#include "protocol/codec.h"
#include "protocol/frame_decoder.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

struct ssl_st;
struct ssl_ctx_st;

namespace bot {

class WireClient {
public:
    WireClient() = default;
    ~WireClient();
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    bool Connect(const std::string& host, uint16_t port, int timeoutMs = 3000);
    void Close();
    // For the next Connect: without TLS (a server started with --plain).
    void SetPlain(bool plain) { plain_ = plain; }
    // SHA-256 of the server's certificate as hex pairs joined by ':'; empty without TLS.
    const std::string& PeerFingerprint() const { return fingerprint_; }
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
    // Reads for `ms`, then takes the poses received per sender, in order; the backlog is emptied.
    std::map<uint16_t, std::vector<protocol::Pose>> TakeMovesWithin(int ms);
    // True once the server closed the connection (after everything it sent was read).
    bool PeerClosed() const { return peerClosed_; }

private:
    bool Handshake(const std::string& host, int timeoutMs);
    // Waits until the socket can be read (or written); false on timeout.
    bool WaitReady(bool write, int timeoutMs) const;

    int fd_ = -1;
    bool plain_ = false;
    ssl_ctx_st* tlsContext_ = nullptr;
    ssl_st* tls_ = nullptr;
    std::string fingerprint_;
    protocol::FrameDecoder decoder_{protocol::Direction::ToClient};
    std::deque<protocol::Message> backlog_;
    uint16_t seq_ = 0;
    bool peerClosed_ = false;
};

}  // namespace bot
