// Handing out client ids from leased blocks.
#include "server/cluster/id_pool.h"

#include <gtest/gtest.h>

#include <set>

namespace server::cluster {
namespace {

using namespace std::chrono_literals;
using Clock = IdPool::Clock;

TEST(IdPoolTest, GivesIdsOnlyFromFreshlyConfirmedBlocks) {
    IdPool pool(3s);
    const auto t0 = Clock::now();
    EXPECT_FALSE(pool.Take(t0));
    pool.Confirm(2, t0);
    auto id = pool.Take(t0 + 1s);
    ASSERT_TRUE(id);
    EXPECT_EQ(IdPool::BlockOf(*id), 2u);
    // Not refreshed for longer than the lease is surely ours: nothing more is handed out.
    EXPECT_FALSE(pool.Take(t0 + 3s));
    EXPECT_EQ(pool.FreeCount(t0 + 3s), 0u);
    // An older confirmation arriving late does not wind the clock back.
    pool.Confirm(2, t0 + 4s);
    pool.Confirm(2, t0 + 1s);
    EXPECT_TRUE(pool.Take(t0 + 5s));
}

TEST(IdPoolTest, IdsAreUniqueNeverZeroAndGoRoundBeforeReuse) {
    IdPool pool(3s);
    const auto t = Clock::now();
    pool.Confirm(0, t);  // block 0 holds id 0, which is never given
    std::set<uint16_t> seen;
    while (auto id = pool.Take(t)) {
        EXPECT_NE(*id, 0);
        EXPECT_TRUE(seen.insert(*id).second) << *id;
    }
    EXPECT_EQ(seen.size(), IdPool::kBlockSize - 1u);
    pool.Give(5);
    pool.Give(7);
    EXPECT_EQ(pool.Take(t), 5);
    EXPECT_EQ(pool.Take(t), 7);

    IdPool round(3s);
    round.Confirm(1, t);
    const uint16_t first = *round.Take(t);
    round.Give(first);
    EXPECT_NE(round.Take(t), first);  // a just-freed id is not handed out again at once
}

TEST(IdPoolTest, LastBlockReachesId65535) {
    IdPool pool(3s);
    const auto t = Clock::now();
    pool.Confirm(IdPool::kBlockCount - 1, t);
    pool.Confirm(IdPool::kBlockCount, t);  // beyond the id space: ignored
    EXPECT_EQ(pool.BlockCount(), 1u);
    uint16_t last = 0;
    while (auto id = pool.Take(t)) last = *id;
    EXPECT_EQ(last, 65535);
}

TEST(IdPoolTest, LosingABlockReturnsItsHoldersAndStopsUsingIt) {
    IdPool pool(3s);
    const auto t = Clock::now();
    pool.Confirm(4, t);
    pool.Confirm(9, t);
    std::set<uint16_t> taken;
    for (int i = 0; i < 70; ++i) taken.insert(*pool.Take(t));
    auto holders = pool.Lose(4);
    EXPECT_EQ(holders.size(), size_t(IdPool::kBlockSize));
    for (uint16_t id : holders) EXPECT_EQ(IdPool::BlockOf(id), 4u);
    EXPECT_EQ(pool.BlockCount(), 1u);
    while (auto id = pool.Take(t)) EXPECT_EQ(IdPool::BlockOf(*id), 9u);
    EXPECT_TRUE(pool.IdleBlocks().empty());
}

TEST(IdPoolTest, IdleBlocksAreThoseWithNoIdInUse) {
    IdPool pool(3s);
    const auto t = Clock::now();
    pool.Confirm(1, t);
    pool.Confirm(2, t);
    const uint16_t id = *pool.Take(t);
    const uint32_t used = IdPool::BlockOf(id);
    auto idle = pool.IdleBlocks();
    ASSERT_EQ(idle.size(), 1u);
    EXPECT_NE(idle[0], used);
    pool.Give(id);
    EXPECT_EQ(pool.IdleBlocks().size(), 2u);
}

}  // namespace
}  // namespace server::cluster
