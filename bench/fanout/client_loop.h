#pragma once
// One client event loop (one thread): its clients, their send schedule and its statistics.
#include "bench/fanout/fanout_client.h"
#include "bench/fanout/fanout_options.h"
#include "bench/fanout/fanout_stats.h"

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace fanout {

class ClientLoop {
public:
    ClientLoop(const FanoutOptions& options, uint32_t seed);
    ~ClientLoop();

    asio::io_context& Io() { return io_; }
    FanoutStats& Stats() { return stats_; }
    void Add(std::unique_ptr<FanoutClient> client);

    // Starts every client and runs until each is ready or failed, or until the deadline.
    void Join(uint64_t deadlineMicros);
    int ReadyCount() const;
    std::string FirstError() const;

    // Sends the workload until endMicros. Statistics restart at measureFromMicros, so the
    // warm-up before it is not counted.
    void Load(uint64_t measureFromMicros, uint64_t endMicros);
    void CloseAll();

private:
    void Tick();

    asio::io_context io_;  // outlives the clients, whose sockets it serves
    FanoutStats stats_;
    std::vector<std::unique_ptr<FanoutClient>> clients_;
    std::vector<uint64_t> nextPose_, nextChat_;
    uint64_t posePeriod_, chatPeriod_;
    std::mt19937 random_;
    std::unique_ptr<asio::steady_timer> ticker_;
    uint64_t measureFrom_ = 0, end_ = 0;
    bool measuring_ = false;
};

}  // namespace fanout
