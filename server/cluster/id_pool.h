#pragma once
// The client ids this node may hand out: the blocks it holds a lease on in the cluster's
// key-value store. An id is given only from a block whose lease was confirmed recently enough
// that no other node can have taken it over, so ids stay unique across nodes.
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace server::cluster {

class IdPool {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr uint16_t kBlockSize = 64;
    static constexpr uint32_t kBlockCount = 65536 / kBlockSize;

    static uint32_t BlockOf(uint16_t id) { return id / kBlockSize; }

    // validFor: how long after a confirmation the block is still surely ours.
    explicit IdPool(std::chrono::milliseconds validFor) : validFor_(validFor) {}

    void Confirm(uint32_t block, Clock::time_point at);
    // The block is someone else's now; returns the ids in use from it (their holders must go).
    std::vector<uint16_t> Lose(uint32_t block);

    std::optional<uint16_t> Take(Clock::time_point now);
    void Give(uint16_t id);

    size_t FreeCount(Clock::time_point now) const;
    size_t BlockCount() const { return blocks_.size(); }
    // Blocks held with no id in use (candidates to hand back).
    std::vector<uint32_t> IdleBlocks() const;
    void Forget(uint32_t block) { blocks_.erase(block); }

private:
    bool Valid(uint32_t block, Clock::time_point now) const;

    std::chrono::milliseconds validFor_;
    std::map<uint32_t, Clock::time_point> blocks_;  // block -> when its lease was last confirmed
    std::set<uint16_t> inUse_;
    uint16_t cursor_ = 0;  // ids go round within the held blocks rather than being reused at once
};

}  // namespace server::cluster
