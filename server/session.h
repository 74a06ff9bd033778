#pragma once
// One client connection: reads and decodes frames, enforces the per-client limits, answers
// requests through the world, and writes what the world sends it through a bounded queue.
#include "protocol/frame_decoder.h"
#include "server/participant_link.h"
#include "server/token_bucket.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace server {

class WorldServer;

class Session : public ParticipantLink, public std::enable_shared_from_this<Session> {
public:
    // With a TLS context the connection speaks TLS, from its handshake on.
    Session(asio::ip::tcp::socket socket, WorldServer& server, uint64_t serial, asio::ssl::context* tls = nullptr);

    void Start();
    // Refuses the connection at once with a Bye saying why (full, too many from its address, banned).
    void Reject(protocol::ByeReason reason, const std::string& text);

    void Send(const protocol::Message& message) override;
    void SendShared(std::shared_ptr<const protocol::Bytes> frames, size_t skipOffset, size_t skipLength) override;
    void Drop(protocol::ByeReason reason, const std::string& text) override;
    std::string PeerHex() const override { return peerHex_; }
    // The pose tick: whatever waits for it goes out now.
    void FlushAtTick();
    void TurnAtTick() override { FlushAtTick(); }
    bool WaitsForTick() const { return atTick_; }

    const std::string& PeerAddress() const { return peerAddress_; }
    uint64_t Serial() const { return serial_; }

private:
    struct Chunk {
        std::shared_ptr<const protocol::Bytes> bytes;
        size_t offset, length;
    };
    // Runs `then` once the TLS handshake is done (at once without TLS).
    void Handshake(std::function<void()> then);
    void Read();
    void Handle(protocol::Message& message);
    void Reply(uint16_t seq, protocol::MessageType request, protocol::ReplyStatus status);
    // Frames for one peer go out soon (after the current handler) or, for what the world sends
    // many peers at once, with the next pose tick.
    void Queue(Chunk chunk, bool evenWhenClosing = false, bool atTick = false);
    void WaitForTick();
    // Bytes that may wait for the tick; a queue this long goes at once.
    size_t TickWaitLimit() const;
    void Write();
    // The peer does not read: what it has not started to receive is dropped, and a Bye takes its place.
    void GiveUpOnSlowReader();
    void ArmKeepalive();
    void Finish(const std::string& why);
    std::string Tag() const;

    asio::ip::tcp::socket socket_;
    std::unique_ptr<asio::ssl::stream<asio::ip::tcp::socket&>> tls_;
    bool handshaking_ = false;
    std::vector<uint8_t> writeScratch_;  // TLS: the chunks of one write in one record stream
    WorldServer& server_;
    uint64_t serial_;
    std::string peerAddress_, peerHex_;
    protocol::FrameDecoder decoder_{protocol::Direction::ToServer};
    std::array<uint8_t, 4096> readBuffer_{};
    std::deque<Chunk> queue_;
    size_t queuedBytes_ = 0;
    bool writing_ = false;
    bool writeSoon_ = false;  // a write is posted to start after the current handler
    bool atTick_ = false;     // a write waits for the next pose tick
    bool urgent_ = false;     // something queued must not wait for the tick
    size_t inFlight_ = 0;    // chunks at the front of the queue handed to the socket
    bool closing_ = false;   // no more reading; the queue drains, then the socket closes
    bool finished_ = false;
    uint16_t clientId_ = 0;  // 0 until talked in
    TokenBucket messages_, poses_;
    std::chrono::steady_clock::time_point lastReceived_;  // the last complete frame
    asio::steady_timer talkInTimer_, keepaliveTimer_, closeTimer_;
    uint32_t pingToken_ = 0;
};

}  // namespace server
