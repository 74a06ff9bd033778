#include "bench/fanout/world_fanout_client.h"

#include "bench/fanout/fanout_clock.h"
#include "bench/fanout/fanout_stamp.h"

#include <asio/connect.hpp>
#include <asio/write.hpp>

namespace fanout {

using namespace protocol;

namespace {

constexpr uint32_t kClientVersion = 0x00020001;
constexpr uint16_t kTalkInSeq = 1, kEnterSeq = 2;

}  // namespace

WorldFanoutClient::WorldFanoutClient(int index, asio::io_context& io, asio::ip::tcp::endpoint server,
                                     std::string region, FanoutStats& stats, asio::ssl::context* tls,
                                     const CrowdLayout* layout)
    : index_(index),
      socket_(io),
      server_(server),
      region_(std::move(region)),
      stats_(stats),
      layout_(layout),
      readBuffer_(std::make_unique<std::array<uint8_t, 65536>>()) {
    if (tls) tls_ = std::make_unique<asio::ssl::stream<asio::ip::tcp::socket&>>(socket_, *tls);
}

void WorldFanoutClient::Start() {
    socket_.async_connect(server_, [this](const std::error_code& ec) {
        if (state_ != State::Connecting) return;
        if (ec) return Fail("connect: " + ec.message());
        std::error_code ignored;
        socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
        state_ = State::Welcoming;
        if (!tls_) return Read();
        tls_->async_handshake(asio::ssl::stream_base::client, [this](const std::error_code& ec) {
            if (state_ != State::Welcoming) return;
            if (ec) return Fail("TLS handshake: " + ec.message());
            Read();
            Flush();
        });
    });
}

void WorldFanoutClient::Read() {
    auto handler = [this](const std::error_code& ec, size_t size) {
        if (state_ == State::Failed || state_ == State::Closed) return;
        if (ec) {
            if (state_ == State::Ready) ++stats_.connectionsLost;
            return Fail(ec == asio::error::eof ? "server closed the connection" : "read: " + ec.message());
        }
        decoder_.Append(readBuffer_->data(), size);
        Message message;
        for (;;) {
            const auto status = decoder_.Next(&message);
            if (status == FrameDecoder::Status::NeedMore) break;
            if (status == FrameDecoder::Status::Failed) return Fail("bad frame from server: " + decoder_.Error());
            Handle(message);
            if (state_ == State::Failed || state_ == State::Closed) return;
        }
        Read();
    };
    if (tls_)
        tls_->async_read_some(asio::buffer(*readBuffer_), std::move(handler));
    else
        socket_.async_read_some(asio::buffer(*readBuffer_), std::move(handler));
}

void WorldFanoutClient::Handle(Message& message) {
    if (auto* moved = std::get_if<AvatarMoved>(&message)) {
        if (state_ != State::Ready) return;
        stats_.CountPose(moved->pose, index_, layout_, NowMicros());
    } else if (auto* chat = std::get_if<ChatReceived>(&message)) {
        if (state_ != State::Ready) return;
        ++stats_.chatDeliveries;
        if (auto sent = StampOfChat(chat->text)) {
            stats_.chatLatency.Add(int64_t(NowMicros()) - int64_t(*sent));
        } else {
            ++stats_.unstamped;
        }
    } else if (auto* ping = std::get_if<Ping>(&message)) {
        Send(Pong{ping->token});
    } else if (std::holds_alternative<Welcome>(message)) {
        if (state_ != State::Welcoming) return Fail("unexpected Welcome");
        state_ = State::TalkingIn;
        const std::string name = "bench" + std::to_string(index_);
        Send(TalkIn{kTalkInSeq, kClientVersion, name, "", name, 0, 0});
    } else if (auto* reply = std::get_if<Reply>(&message)) {
        if (reply->status != ReplyStatus::Ok)
            return Fail(std::string(NameOf(reply->request)) + " refused (status " +
                        std::to_string(int(reply->status)) + ")");
        if (state_ == State::TalkingIn && reply->seq == kTalkInSeq) {
            state_ = State::Entering;
            Send(EnterRegion{kEnterSeq, region_, "0", OwnPose(NowMicros()), 1});
        } else if (state_ == State::Entering && reply->seq == kEnterSeq) {
            state_ = State::Ready;
        }
    } else if (auto* bye = std::get_if<Bye>(&message)) {
        if (state_ == State::Ready) ++stats_.connectionsLost;
        Fail("server said Bye (reason " + std::to_string(int(bye->reason)) + "): " + bye->text);
    }
    // Presence changes (AvatarEntered, AvatarPresent, AvatarLeft) are part of joining, not measured.
}

void WorldFanoutClient::SendPose(uint64_t nowMicros) {
    if (state_ != State::Ready) return;
    Send(protocol::SendPose{OwnPose(nowMicros)});
    ++stats_.posesSent;
}

protocol::Pose WorldFanoutClient::OwnPose(uint64_t nowMicros) const {
    const auto at = layout_ ? layout_->PositionOf(index_) : std::array<float, 2>{0, 0};
    return PoseWithStamp(nowMicros, index_, at[0], at[1]);
}

void WorldFanoutClient::SendChat(uint64_t nowMicros) {
    if (state_ != State::Ready) return;
    Send(protocol::SendChat{ChatWithStamp(nowMicros, index_)});
    ++stats_.chatsSent;
}

void WorldFanoutClient::Send(const Message& message) {
    EncodeTo(message, pending_);
    Flush();
}

void WorldFanoutClient::Flush() {
    if (writeInFlight_ || pending_.empty() || state_ == State::Failed || state_ == State::Closed) return;
    // Nothing goes out before the handshake (the Pong to an early Ping waits for it).
    if (tls_ && state_ == State::Connecting) return;
    writing_.swap(pending_);
    pending_.clear();
    writeInFlight_ = true;
    auto handler = [this](const std::error_code& ec, size_t) {
        writeInFlight_ = false;
        writing_.clear();
        if (state_ == State::Failed || state_ == State::Closed) return;
        if (ec) {
            if (state_ == State::Ready) ++stats_.connectionsLost;
            return Fail("write: " + ec.message());
        }
        Flush();
    };
    if (tls_)
        asio::async_write(*tls_, asio::buffer(writing_), std::move(handler));
    else
        asio::async_write(socket_, asio::buffer(writing_), std::move(handler));
}

void WorldFanoutClient::Fail(const std::string& why) {
    if (state_ == State::Failed || state_ == State::Closed) return;
    state_ = State::Failed;
    error_ = why;
    std::error_code ignored;
    socket_.close(ignored);
}

void WorldFanoutClient::Close() {
    if (state_ == State::Closed) return;
    state_ = State::Closed;
    std::error_code ignored;
    socket_.close(ignored);
}

}  // namespace fanout
