#pragma once
// A participant of moneko-server on non-blocking Asio: connects (over TLS when given a context),
// talks in, enters the benchmark's region, then sends poses and chat lines and counts the
// AvatarMoved and ChatReceived it gets.
#include "bench/fanout/fanout_client.h"
#include "bench/fanout/fanout_stats.h"
#include "protocol/codec.h"
#include "protocol/frame_decoder.h"

#include <array>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/ssl.hpp>
#include <memory>

namespace fanout {

class WorldFanoutClient : public FanoutClient {
public:
    WorldFanoutClient(int index, asio::io_context& io, asio::ip::tcp::endpoint server, std::string region,
                      FanoutStats& stats, asio::ssl::context* tls = nullptr, const CrowdLayout* layout = nullptr);

    void Start() override;
    bool Ready() const override { return state_ == State::Ready; }
    bool Failed() const override { return state_ == State::Failed; }
    const std::string& Error() const override { return error_; }
    void SendPose(uint64_t nowMicros) override;
    void SendChat(uint64_t nowMicros) override;
    void Close() override;

private:
    enum class State { Connecting, Welcoming, TalkingIn, Entering, Ready, Failed, Closed };

    void Read();
    void Handle(protocol::Message& message);
    void Send(const protocol::Message& message);
    void Flush();
    protocol::Pose OwnPose(uint64_t nowMicros) const;
    void Fail(const std::string& why);

    int index_;
    asio::ip::tcp::socket socket_;
    std::unique_ptr<asio::ssl::stream<asio::ip::tcp::socket&>> tls_;
    asio::ip::tcp::endpoint server_;
    std::string region_;
    FanoutStats& stats_;
    const CrowdLayout* layout_;  // null: everyone at the origin, near and far not told apart
    State state_ = State::Connecting;
    std::string error_;
    protocol::FrameDecoder decoder_{protocol::Direction::ToClient};
    std::unique_ptr<std::array<uint8_t, 65536>> readBuffer_;
    protocol::Bytes pending_, writing_;
    bool writeInFlight_ = false;
};

}  // namespace fanout
