#include "bench/fanout/client_loop.h"

#include "bench/fanout/fanout_clock.h"

#include <asio/steady_timer.hpp>
#include <chrono>
#include <thread>

namespace fanout {
namespace {

constexpr auto kTick = std::chrono::milliseconds(1);

}  // namespace

ClientLoop::ClientLoop(const FanoutOptions& options, uint32_t seed)
    : posePeriod_(uint64_t(1'000'000 / options.posesPerSecond)),
      chatPeriod_(uint64_t(options.chatIntervalSeconds * 1e6)),
      random_(seed) {}

ClientLoop::~ClientLoop() {
    CloseAll();
    clients_.clear();  // before the io_context goes
}

void ClientLoop::Add(std::unique_ptr<FanoutClient> client) { clients_.push_back(std::move(client)); }

void ClientLoop::Join(uint64_t deadlineMicros) {
    for (auto& client : clients_) client->Start();
    auto settled = [this] {
        for (const auto& client : clients_)
            if (!client->Ready() && !client->Failed()) return false;
        return true;
    };
    while (!settled() && NowMicros() < deadlineMicros) {
        if (io_.stopped()) io_.restart();
        if (io_.run_for(std::chrono::milliseconds(10)) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int ClientLoop::ReadyCount() const {
    int ready = 0;
    for (const auto& client : clients_) ready += client->Ready() ? 1 : 0;
    return ready;
}

std::string ClientLoop::FirstError() const {
    for (const auto& client : clients_)
        if (client->Failed()) return client->Error();
    for (const auto& client : clients_)
        if (!client->Ready()) return "a client did not finish joining in time";
    return "";
}

void ClientLoop::Load(uint64_t measureFromMicros, uint64_t endMicros) {
    measureFrom_ = measureFromMicros;
    end_ = endMicros;
    measuring_ = false;
    // Spread the clients' sends over each period, as independent users would be.
    const uint64_t now = NowMicros();
    std::uniform_int_distribution<uint64_t> posePhase(0, posePeriod_ - 1), chatPhase(0, chatPeriod_ - 1);
    nextPose_.clear();
    nextChat_.clear();
    for (size_t i = 0; i < clients_.size(); ++i) {
        nextPose_.push_back(now + posePhase(random_));
        nextChat_.push_back(now + chatPhase(random_));
    }
    if (io_.stopped()) io_.restart();
    ticker_ = std::make_unique<asio::steady_timer>(io_);
    ticker_->expires_after(kTick);
    Tick();
    io_.run();
    ticker_.reset();
}

void ClientLoop::Tick() {
    ticker_->async_wait([this](const std::error_code& ec) {
        if (ec) return;
        const uint64_t now = NowMicros();
        if (now >= end_) return io_.stop();
        if (!measuring_ && now >= measureFrom_) {
            stats_.Reset();
            measuring_ = true;
        }
        for (size_t i = 0; i < clients_.size(); ++i) {
            // A loop that fell behind sends once and moves on; a catch-up burst would be a
            // different workload (and a flood to the server's rate limits).
            if (now >= nextPose_[i]) {
                clients_[i]->SendPose(now);
                nextPose_[i] = std::max(nextPose_[i] + posePeriod_, now + posePeriod_ / 2);
            }
            if (now >= nextChat_[i]) {
                clients_[i]->SendChat(now);
                nextChat_[i] = std::max(nextChat_[i] + chatPeriod_, now + chatPeriod_ / 2);
            }
        }
        ticker_->expires_at(ticker_->expiry() + kTick);
        Tick();
    });
}

void ClientLoop::CloseAll() {
    for (auto& client : clients_) client->Close();
}

}  // namespace fanout
