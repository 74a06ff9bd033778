#pragma once
// An MQTT participant on libmosquitto, driven by the benchmark's Asio loop through the library's
// external-loop calls: subscribes to the shared topic without its own messages (like a region,
// which never echoes a mover's pose), publishes poses and chat lines at QoS 0.
#include "bench/fanout/fanout_client.h"
#include "bench/fanout/fanout_stats.h"

#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <cstdint>
#include <mosquitto.h>
#include <string>

namespace fanout {

class MosquittoFanoutClient : public FanoutClient {
public:
    // tlsCa: the broker's certificate, to speak TLS with it; empty: plain.
    MosquittoFanoutClient(int index, asio::io_context& io, uint16_t port, std::string topic, FanoutStats& stats,
                          std::string tlsCa = {}, const CrowdLayout* layout = nullptr);
    ~MosquittoFanoutClient() override;

    void Start() override;
    bool Ready() const override { return state_ == State::Ready; }
    bool Failed() const override { return state_ == State::Failed; }
    const std::string& Error() const override { return error_; }
    void SendPose(uint64_t nowMicros) override;
    void SendChat(uint64_t nowMicros) override;
    void Close() override;

    // A pose message: 'P', the sender as u16, then the pose's six floats (as the world relays).
    static std::string PosePayload(uint64_t nowMicros, int sender, float x = 0, float z = 0);

private:
    enum class State { Connecting, Subscribing, Ready, Failed, Closed };

    void WaitReadable();
    void WaitWritable();
    void Tick();
    void Publish(const std::string& payload);
    bool Check(int rc, const char* what);
    void Fail(const std::string& why);

    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnSubscribe(mosquitto*, void* self, int mid, int count, const int* granted);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);

    int index_;
    uint16_t port_;
    std::string topic_;
    std::string tlsCa_;
    FanoutStats& stats_;
    const CrowdLayout* layout_;
    mosquitto* mosq_ = nullptr;
    asio::posix::stream_descriptor socket_;
    asio::steady_timer misc_;
    State state_ = State::Connecting;
    std::string error_;
    bool waitingToWrite_ = false;
};

}  // namespace fanout
