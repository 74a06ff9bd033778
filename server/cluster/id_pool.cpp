#include "server/cluster/id_pool.h"

namespace server::cluster {

void IdPool::Confirm(uint32_t block, Clock::time_point at) {
    if (block >= kBlockCount) return;
    auto& when = blocks_[block];
    if (at > when) when = at;
}

std::vector<uint16_t> IdPool::Lose(uint32_t block) {
    blocks_.erase(block);
    std::vector<uint16_t> holders;
    for (uint16_t id : inUse_)
        if (BlockOf(id) == block) holders.push_back(id);
    for (uint16_t id : holders) inUse_.erase(id);
    return holders;
}

bool IdPool::Valid(uint32_t block, Clock::time_point now) const {
    auto it = blocks_.find(block);
    return it != blocks_.end() && now - it->second < validFor_;
}

std::optional<uint16_t> IdPool::Take(Clock::time_point now) {
    // Candidates in id order after the cursor, then from the start.
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& [block, when] : blocks_) {
            if (now - when >= validFor_) continue;
            const uint32_t base = block * kBlockSize;
            for (uint32_t i = 0; i < kBlockSize; ++i) {
                const uint32_t id = base + i;
                if (id == 0 || id > 65535) continue;
                if (pass == 0 && id <= cursor_) continue;
                if (inUse_.count(uint16_t(id))) continue;
                inUse_.insert(uint16_t(id));
                cursor_ = uint16_t(id);
                return uint16_t(id);
            }
        }
    }
    return std::nullopt;
}

void IdPool::Give(uint16_t id) { inUse_.erase(id); }

size_t IdPool::FreeCount(Clock::time_point now) const {
    size_t free = 0;
    for (const auto& [block, when] : blocks_) {
        if (!Valid(block, now)) continue;
        free += kBlockSize - (block == 0 ? 1 : 0);
    }
    for (uint16_t id : inUse_)
        if (Valid(BlockOf(id), now)) --free;
    return free;
}

std::vector<uint32_t> IdPool::IdleBlocks() const {
    std::set<uint32_t> used;
    for (uint16_t id : inUse_) used.insert(BlockOf(id));
    std::vector<uint32_t> idle;
    for (const auto& [block, when] : blocks_)
        if (!used.count(block)) idle.push_back(block);
    return idle;
}

}  // namespace server::cluster
