#include "server/cluster/id_leases.h"

#include <nats/nats.h>

#include <random>

namespace server::cluster {
namespace {

bool Connected(natsConnection* c) { return natsConnection_Status(c) == NATS_CONN_STATUS_CONNECTED; }

std::string LastError(natsStatus s) {
    const char* text = nats_GetLastError(nullptr);
    return text && *text ? text : natsStatus_GetText(s);
}

}  // namespace

IdLeases::IdLeases(asio::io_context& io, natsConnection* connection, Settings settings, std::string nodeName)
    : io_(io), connection_(connection), settings_(std::move(settings)), nodeName_(std::move(nodeName)) {
    std::random_device random;
    nextCandidate_ = random() % IdPool::kBlockCount;
}

IdLeases::~IdLeases() { Stop(); }

template <typename F>
void IdLeases::Post(F&& f) {
    asio::post(io_, [alive = alive_, f = std::forward<F>(f)]() mutable {
        if (*alive) f();
    });
}

bool IdLeases::EnsureBucket(std::string* error) {
    if (kv_) {
        kvStore_Destroy(kv_);
        kv_ = nullptr;
    }
    if (!js_) {
        jsOptions options;
        jsOptions_Init(&options);
        options.Wait = 1000;
        jsCtx* js = nullptr;
        natsStatus s = natsConnection_JetStream(&js, connection_, &options);
        if (s != NATS_OK) {
            *error = "no JetStream context: " + LastError(s);
            return false;
        }
        js_ = js;
    }
    kvConfig config;
    kvConfig_Init(&config);
    config.Bucket = settings_.bucket.c_str();
    config.Description = "client id leases of the world server nodes";
    config.History = 1;
    config.TTL = int64_t(settings_.ttl.count()) * 1000000;  // nanoseconds
    config.StorageType = js_MemoryStorage;
    natsStatus s = js_CreateKeyValue(&kv_, static_cast<jsCtx*>(js_), &config);
    if (s != NATS_OK) {
        // Made by another node with other settings: use it as it is.
        s = js_KeyValue(&kv_, static_cast<jsCtx*>(js_), settings_.bucket.c_str());
    }
    if (s != NATS_OK) {
        *error = "no key-value bucket " + settings_.bucket + " (is JetStream enabled on the NATS server?): " +
                 LastError(s);
        kv_ = nullptr;
        return false;
    }
    storeFailing_ = false;
    return true;
}

bool IdLeases::Start(std::string* error) {
    if (!EnsureBucket(error)) return false;
    uint64_t revision = 0;
    natsStatus s = kvStore_Create(&revision, kv_, NodeKey().c_str(), nodeName_.data(), int(nodeName_.size()));
    if (s != NATS_OK) {
        *error = "cannot register the node: " + LastError(s);
        return false;
    }
    nodeRevision_ = revision;
    if (!Claim()) {
        *error = "no free block of client ids in " + settings_.bucket;
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

std::vector<std::string> IdLeases::OtherNodes() {
    std::vector<std::string> nodes;
    if (!kv_) return nodes;
    kvKeysList keys{};
    if (kvStore_Keys(&keys, kv_, nullptr) != NATS_OK) return nodes;
    for (int i = 0; i < keys.Count; ++i) {
        std::string key = keys.Keys[i];
        if (key.rfind("node.", 0) == 0 && key != NodeKey()) nodes.push_back(key.substr(5));
    }
    kvKeysList_Destroy(&keys);
    return nodes;
}

void IdLeases::Want(size_t blocks) {
    {
        std::lock_guard lock(mutex_);
        if (blocks <= wanted_) return;
        wanted_ = blocks;
    }
    wake_.notify_one();
}

void IdLeases::Release(uint32_t block) {
    {
        std::lock_guard lock(mutex_);
        releases_.insert(block);
        if (wanted_ > 1) --wanted_;
    }
    wake_.notify_one();
}

void IdLeases::Nudge() { wake_.notify_one(); }

bool IdLeases::Claim() {
    for (uint32_t tries = 0; tries < IdPool::kBlockCount; ++tries) {
        const uint32_t block = nextCandidate_;
        nextCandidate_ = (nextCandidate_ + 1) % IdPool::kBlockCount;
        if (held_.count(block)) continue;
        const auto sent = Clock::now();
        uint64_t revision = 0;
        natsStatus s = kvStore_Create(&revision, kv_, BlockKey(block).c_str(), nodeName_.data(), int(nodeName_.size()));
        if (s == NATS_OK) {
            held_[block] = revision;
            Post([this, block, sent] {
                if (confirmed_) confirmed_(block, sent);
            });
            return true;
        }
        if (!Connected(connection_)) return false;
        // Taken by another node (or the store is in trouble: then the next round tries again).
        kvEntry* entry = nullptr;
        if (kvStore_Get(&entry, kv_, BlockKey(block).c_str()) != NATS_OK) {
            if (entry) kvEntry_Destroy(entry);
            return false;
        }
        kvEntry_Destroy(entry);
    }
    return false;
}

void IdLeases::Refresh(uint32_t block) {
    const std::string key = BlockKey(block);
    const auto sent = Clock::now();
    uint64_t revision = 0;
    auto confirm = [&] {
        held_[block] = revision;
        Post([this, block, sent] {
            if (confirmed_) confirmed_(block, sent);
        });
    };
    if (kvStore_Update(&revision, kv_, key.c_str(), nodeName_.data(), int(nodeName_.size()), held_[block]) == NATS_OK)
        return confirm();
    if (!Connected(connection_)) return;
    kvEntry* entry = nullptr;
    natsStatus s = kvStore_Get(&entry, kv_, key.c_str());
    if (s == NATS_NOT_FOUND) {
        // Expired while we could not refresh it (or NATS lost it): ours again if nobody took it.
        if (kvStore_Create(&revision, kv_, key.c_str(), nodeName_.data(), int(nodeName_.size())) == NATS_OK)
            return confirm();
        s = kvStore_Get(&entry, kv_, key.c_str());
    }
    if (s != NATS_OK) {
        if (entry) kvEntry_Destroy(entry);
        storeFailing_ = true;
        return;
    }
    const std::string owner(static_cast<const char*>(kvEntry_Value(entry)), size_t(kvEntry_ValueLen(entry)));
    revision = kvEntry_Revision(entry);
    kvEntry_Destroy(entry);
    if (owner == nodeName_) return confirm();
    held_.erase(block);
    Post([this, block] {
        if (lost_) lost_(block);
    });
}

void IdLeases::RefreshNode() {
    uint64_t revision = 0;
    if (kvStore_Update(&revision, kv_, NodeKey().c_str(), nodeName_.data(), int(nodeName_.size()), nodeRevision_) ==
        NATS_OK) {
        nodeRevision_ = revision;
        return;
    }
    if (!Connected(connection_)) return;
    if (kvStore_Create(&revision, kv_, NodeKey().c_str(), nodeName_.data(), int(nodeName_.size())) == NATS_OK) {
        nodeRevision_ = revision;
        return;
    }
    kvEntry* entry = nullptr;
    if (kvStore_Get(&entry, kv_, NodeKey().c_str()) == NATS_OK) nodeRevision_ = kvEntry_Revision(entry);
    else storeFailing_ = true;
    if (entry) kvEntry_Destroy(entry);
}

void IdLeases::Run() {
    bool wasFailing = false;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait_for(lock, settings_.refresh);
        if (stopping_) return;
        std::set<uint32_t> releases;
        releases.swap(releases_);
        const size_t wanted = wanted_;
        lock.unlock();

        if (Connected(connection_)) {
            std::string error;
            if (storeFailing_ && !EnsureBucket(&error) && !wasFailing && log_) {
                Post([this, error] { log_("cluster: id store unavailable: " + error); });
            }
            wasFailing = storeFailing_;
            if (kv_) {
                for (uint32_t block : releases) {
                    if (held_.erase(block)) kvStore_Delete(kv_, BlockKey(block).c_str());
                }
                RefreshNode();
                std::vector<uint32_t> blocks;
                for (const auto& [block, revision] : held_) blocks.push_back(block);
                for (uint32_t block : blocks) Refresh(block);
                // The bucket vanished (a NATS server restarted without its store): make it
                // again and take the leases back at once.
                if (storeFailing_ && EnsureBucket(&error)) {
                    RefreshNode();
                    for (uint32_t block : blocks)
                        if (held_.count(block)) Refresh(block);
                }
                while (held_.size() < wanted && Claim()) {
                }
            }
        }
        lock.lock();
    }
}

void IdLeases::Stop() {
    *alive_ = false;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    if (kv_ && Connected(connection_)) {
        for (const auto& [block, revision] : held_) kvStore_Delete(kv_, BlockKey(block).c_str());
        kvStore_Delete(kv_, NodeKey().c_str());
    }
    held_.clear();
    if (kv_) kvStore_Destroy(kv_);
    kv_ = nullptr;
    if (js_) jsCtx_Destroy(static_cast<jsCtx*>(js_));
    js_ = nullptr;
}

}  // namespace server::cluster
