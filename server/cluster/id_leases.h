#pragma once
// Keeps this node's leases in the cluster's key-value bucket: its own liveness key and the blocks
// of client ids it holds. Each lease is a key created only if absent and refreshed well within
// the bucket's time to live, so a node that dies loses its ids to the others within seconds.
// The store's calls block, so they run on a thread of their own; results go to the io_context.
#include "server/cluster/id_pool.h"

#include <asio.hpp>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct __natsConnection;
struct __kvStore;

namespace server::cluster {

class IdLeases {
public:
    using Clock = std::chrono::steady_clock;
    struct Settings {
        std::string bucket = "moneko-ids";
        std::chrono::milliseconds ttl{6000};
        std::chrono::milliseconds refresh{1000};
    };
    // Called on the io thread. confirmed: the block is ours as of `at` (the time the refresh was
    // sent). lost: another node holds it now.
    using Confirmed = std::function<void(uint32_t block, Clock::time_point at)>;
    using Lost = std::function<void(uint32_t block)>;
    using Log = std::function<void(const std::string&)>;

    IdLeases(asio::io_context& io, __natsConnection* connection, Settings settings, std::string nodeName);
    ~IdLeases();
    IdLeases(const IdLeases&) = delete;
    IdLeases& operator=(const IdLeases&) = delete;

    void OnConfirmed(Confirmed f) { confirmed_ = std::move(f); }
    void OnLost(Lost f) { lost_ = std::move(f); }
    void OnLog(Log f) { log_ = std::move(f); }

    // Makes the bucket if needed, registers the node and claims a first block, synchronously.
    bool Start(std::string* error);
    // Names of the nodes whose liveness key is in the bucket, this one excluded.
    std::vector<std::string> OtherNodes();
    // How many blocks the node would like to hold (more are claimed in the background).
    void Want(size_t blocks);
    void Release(uint32_t block);
    // Refresh now rather than at the next interval (NATS is back).
    void Nudge();
    // Ends the thread and deletes the node's keys, so its ids are free at once.
    void Stop();

private:
    void Run();
    bool EnsureBucket(std::string* error);
    bool Claim();
    void Refresh(uint32_t block);
    void RefreshNode();
    std::string BlockKey(uint32_t block) const { return "block." + std::to_string(block); }
    std::string NodeKey() const { return "node." + nodeName_; }
    template <typename F>
    void Post(F&& f);

    asio::io_context& io_;
    __natsConnection* connection_;
    Settings settings_;
    std::string nodeName_;
    Confirmed confirmed_;
    Lost lost_;
    Log log_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // io thread: handlers after Stop do nothing

    // Worker thread only.
    void* js_ = nullptr;
    __kvStore* kv_ = nullptr;
    std::map<uint32_t, uint64_t> held_;  // block -> revision of our lease
    uint64_t nodeRevision_ = 0;
    uint32_t nextCandidate_ = 0;
    bool storeFailing_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    size_t wanted_ = 1;
    std::set<uint32_t> releases_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace server::cluster
