#include "bench/fanout/mosquitto_fanout_client.h"

#include "bench/fanout/fanout_clock.h"
#include "bench/fanout/fanout_stamp.h"

#include <cstring>
#include <mqtt_protocol.h>
#include <openssl/ssl.h>
#include <sys/ioctl.h>

namespace fanout {
namespace {

constexpr int kKeepaliveSeconds = 30;
// Bound on packets handled per wake-up, so one busy connection cannot starve the others.
constexpr int kMaxReadsPerWake = 4096;

}  // namespace

MosquittoFanoutClient::MosquittoFanoutClient(int index, asio::io_context& io, uint16_t port, std::string topic,
                                             FanoutStats& stats, std::string tlsCa, const CrowdLayout* layout)
    : index_(index),
      port_(port),
      topic_(std::move(topic)),
      tlsCa_(std::move(tlsCa)),
      stats_(stats),
      layout_(layout),
      socket_(io),
      misc_(io) {}

MosquittoFanoutClient::~MosquittoFanoutClient() {
    Close();
    if (mosq_) mosquitto_destroy(mosq_);
}

std::string MosquittoFanoutClient::PosePayload(uint64_t nowMicros, int sender, float x, float z) {
    const auto pose = PoseWithStamp(nowMicros, sender, x, z);
    std::string payload(3 + sizeof pose, '\0');
    payload[0] = 'P';
    payload[1] = char(uint16_t(sender) >> 8);
    payload[2] = char(uint16_t(sender) & 0xFF);
    std::memcpy(payload.data() + 3, pose.data(), sizeof pose);
    return payload;
}

void MosquittoFanoutClient::Start() {
    const std::string id = "bench" + std::to_string(index_);
    mosq_ = mosquitto_new(id.c_str(), true, this);
    if (!mosq_) return Fail("mosquitto_new failed");
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_int_option(mosq_, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(mosq_, &MosquittoFanoutClient::OnConnect);
    mosquitto_subscribe_callback_set(mosq_, &MosquittoFanoutClient::OnSubscribe);
    mosquitto_message_callback_set(mosq_, &MosquittoFanoutClient::OnMessage);
    if (!tlsCa_.empty()) {
        // The broker's certificate signs itself and names no address: trusted as given, by file.
        if (!Check(mosquitto_tls_set(mosq_, tlsCa_.c_str(), nullptr, nullptr, nullptr, nullptr), "TLS")) return;
        if (!Check(mosquitto_tls_opts_set(mosq_, 1, "tlsv1.3", nullptr), "TLS options")) return;
        if (!Check(mosquitto_tls_insecure_set(mosq_, true), "TLS host check")) return;
    }
    // A loopback connect does not block for long; the CONNACK is awaited on the loop.
    if (!Check(mosquitto_connect(mosq_, "127.0.0.1", port_, kKeepaliveSeconds), "connect")) return;
    std::error_code ec;
    socket_.assign(mosquitto_socket(mosq_), ec);
    if (ec) return Fail("socket: " + ec.message());
    WaitReadable();
    WaitWritable();
    Tick();
}

void MosquittoFanoutClient::OnConnect(mosquitto* mosq, void* self, int rc) {
    auto* client = static_cast<MosquittoFanoutClient*>(self);
    if (rc != 0) return client->Fail(std::string("connect refused: ") + mosquitto_connack_string(rc));
    client->state_ = State::Subscribing;
    client->Check(mosquitto_subscribe_v5(mosq, nullptr, client->topic_.c_str(), 0, MQTT_SUB_OPT_NO_LOCAL, nullptr),
                  "subscribe");
}

void MosquittoFanoutClient::OnSubscribe(mosquitto*, void* self, int, int count, const int* granted) {
    auto* client = static_cast<MosquittoFanoutClient*>(self);
    if (count < 1 || granted[0] > 2) return client->Fail("subscription refused");
    if (client->state_ == State::Subscribing) client->state_ = State::Ready;
}

void MosquittoFanoutClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* client = static_cast<MosquittoFanoutClient*>(self);
    if (client->state_ != State::Ready || message->payloadlen < 1) return;
    const char* data = static_cast<const char*>(message->payload);
    const size_t size = size_t(message->payloadlen);
    FanoutStats& stats = client->stats_;
    if (data[0] == 'P') {
        protocol::Pose pose{};
        if (size == 3 + sizeof pose) {
            std::memcpy(pose.data(), data + 3, sizeof pose);
            stats.CountPose(pose, client->index_, client->layout_, NowMicros());
        } else {
            ++stats.poseDeliveries;
            ++stats.unstamped;
        }
        return;
    }
    ++stats.chatDeliveries;
    const auto sent = StampOfChat(std::string_view(data + 1, size - 1));
    if (sent) stats.chatLatency.Add(int64_t(NowMicros()) - int64_t(*sent));
    else ++stats.unstamped;
}

void MosquittoFanoutClient::WaitReadable() {
    socket_.async_wait(asio::posix::stream_descriptor::wait_read, [this](const std::error_code& ec) {
        if (ec || state_ == State::Failed || state_ == State::Closed) return;
        // The library takes one packet a call; drain what the socket holds before sleeping again.
        for (int i = 0; i < kMaxReadsPerWake; ++i) {
            if (!Check(mosquitto_loop_read(mosq_, 1), "read")) return;
            if (state_ == State::Failed || state_ == State::Closed) return;
            // With TLS, a record already read may hold more packets than the socket shows.
            auto* tls = static_cast<SSL*>(mosquitto_ssl_get(mosq_));
            if (tls && SSL_pending(tls) > 0) continue;
            int available = 0;
            if (::ioctl(socket_.native_handle(), FIONREAD, &available) != 0 || available <= 0) break;
        }
        WaitWritable();
        WaitReadable();
    });
}

void MosquittoFanoutClient::WaitWritable() {
    if (waitingToWrite_ || !mosq_ || !mosquitto_want_write(mosq_)) return;
    waitingToWrite_ = true;
    socket_.async_wait(asio::posix::stream_descriptor::wait_write, [this](const std::error_code& ec) {
        waitingToWrite_ = false;
        if (ec || state_ == State::Failed || state_ == State::Closed) return;
        if (!Check(mosquitto_loop_write(mosq_, 1), "write")) return;
        WaitWritable();
    });
}

void MosquittoFanoutClient::Tick() {
    misc_.expires_after(std::chrono::seconds(1));
    misc_.async_wait([this](const std::error_code& ec) {
        if (ec || state_ == State::Failed || state_ == State::Closed) return;
        if (!Check(mosquitto_loop_misc(mosq_), "keepalive")) return;
        WaitWritable();
        Tick();
    });
}

void MosquittoFanoutClient::Publish(const std::string& payload) {
    if (!Check(mosquitto_publish(mosq_, nullptr, topic_.c_str(), int(payload.size()), payload.data(), 0, false),
               "publish"))
        return;
    WaitWritable();
}

void MosquittoFanoutClient::SendPose(uint64_t nowMicros) {
    if (state_ != State::Ready) return;
    const auto at = layout_ ? layout_->PositionOf(index_) : std::array<float, 2>{0, 0};
    Publish(PosePayload(nowMicros, index_, at[0], at[1]));
    ++stats_.posesSent;
}

void MosquittoFanoutClient::SendChat(uint64_t nowMicros) {
    if (state_ != State::Ready) return;
    Publish("C" + ChatWithStamp(nowMicros, index_));
    ++stats_.chatsSent;
}

bool MosquittoFanoutClient::Check(int rc, const char* what) {
    if (rc == MOSQ_ERR_SUCCESS) return true;
    if (state_ == State::Ready) ++stats_.connectionsLost;
    Fail(std::string(what) + ": " + mosquitto_strerror(rc));
    return false;
}

void MosquittoFanoutClient::Fail(const std::string& why) {
    if (state_ == State::Failed || state_ == State::Closed) return;
    state_ = State::Failed;
    error_ = why;
    Close();
}

void MosquittoFanoutClient::Close() {
    if (state_ != State::Failed) state_ = State::Closed;
    std::error_code ignored;
    misc_.cancel();
    // The library owns the socket and closes it itself.
    if (socket_.is_open()) {
        socket_.cancel(ignored);
        socket_.release();
    }
    if (mosq_) mosquitto_disconnect(mosq_);
}

}  // namespace fanout
