#include "server/local_world.h"

#include "protocol/frame_decoder.h"

#include <gtest/gtest.h>

namespace server {
namespace {

using namespace protocol;

// Records what the world sends, decoded back into messages.
class FakeLink : public ParticipantLink {
public:
    explicit FakeLink(std::string hex = "7F000001") : hex_(std::move(hex)) {}
    void Send(const Message& m) override { got.push_back(m); }
    void SendShared(std::shared_ptr<const Bytes> frames, size_t skipOffset, size_t skipLength) override {
        Bytes kept(frames->begin(), frames->begin() + static_cast<std::ptrdiff_t>(skipOffset));
        kept.insert(kept.end(), frames->begin() + static_cast<std::ptrdiff_t>(skipOffset + skipLength), frames->end());
        FrameDecoder decoder(Direction::ToClient);
        decoder.Append(kept.data(), kept.size());
        Message m;
        while (decoder.Next(&m) == FrameDecoder::Status::Ready) got.push_back(m);
    }
    void Drop(ByeReason reason, const std::string&) override { dropped = reason; }
    std::string PeerHex() const override { return hex_; }

    template <typename T>
    std::vector<T> All() const {
        std::vector<T> out;
        for (auto& m : got)
            if (auto* t = std::get_if<T>(&m)) out.push_back(*t);
        return out;
    }
    std::vector<Message> got;
    std::optional<ByeReason> dropped;

private:
    std::string hex_;
};

const Pose kOrigin{0, 0, 0, 0, 0, -1};

struct WorldFixture : ::testing::Test {
    LocalWorld world;
    FakeLink a{"C0A80001"}, b, c;
    uint16_t ia = 0, ib = 0, ic = 0;
    void SetUp() override {
        ia = *world.TalkIn(&a, "100", "alice");
        ib = *world.TalkIn(&b, "200", "bob");
        ic = *world.TalkIn(&c, "300", "carol");
    }
    void ClearAll() {
        a.got.clear();
        b.got.clear();
        c.got.clear();
    }
};

TEST_F(WorldFixture, IdsAreDistinctNonZeroAndNotReusedAtOnce) {
    EXPECT_NE(ia, 0);
    EXPECT_NE(ia, ib);
    EXPECT_NE(ib, ic);
    world.TalkOut(ib);
    FakeLink d;
    EXPECT_NE(*world.TalkIn(&d, "400", "dave"), ib);
}

TEST_F(WorldFixture, EnteringGivesPresentToNewcomerAndEnteredToOthers) {
    ASSERT_TRUE(world.EnterRegion(ia, "r1", "3", kOrigin, 1));
    ASSERT_TRUE(world.EnterRegion(ib, "r1", "5", Pose{1, 2, 3, 0, 0, -1}, 2));
    ASSERT_TRUE(world.EnterRegion(ic, "r2", "1", kOrigin, 1));
    auto present = b.All<AvatarPresent>();
    ASSERT_EQ(present.size(), 1u);
    EXPECT_EQ(present[0].avatar, (AvatarInfo{ia, "C0A80001:100", "alice", "3", 1, kOrigin}));
    auto entered = a.All<AvatarEntered>();
    ASSERT_EQ(entered.size(), 1u);
    EXPECT_EQ(entered[0].avatar, (AvatarInfo{ib, "7F000001:200", "bob", "5", 2, Pose{1, 2, 3, 0, 0, -1}}));
    EXPECT_TRUE(c.All<AvatarEntered>().empty());  // other region
    EXPECT_TRUE(b.All<AvatarEntered>().empty());  // nobody hears of itself
}

TEST_F(WorldFixture, LeavingTalkingOutAndSwitchingRegionsSendAvatarLeft) {
    world.EnterRegion(ia, "r1", "1", kOrigin, 1);
    world.EnterRegion(ib, "r1", "1", kOrigin, 1);
    world.EnterRegion(ic, "r1", "1", kOrigin, 1);
    ClearAll();
    world.EnterRegion(ic, "r2", "1", kOrigin, 1);  // switching leaves r1 first
    world.LeaveRegion(ib);
    EXPECT_EQ(a.All<AvatarLeft>(), (std::vector<AvatarLeft>{{ic}, {ib}}));
    world.EnterRegion(ib, "r2", "1", kOrigin, 1);
    ClearAll();
    world.TalkOut(ic);
    EXPECT_EQ(b.All<AvatarLeft>(), std::vector<AvatarLeft>{{ic}});
    EXPECT_TRUE(a.All<AvatarLeft>().empty());
}

TEST_F(WorldFixture, ChatAndActionsReachTheWholeRegionInOrderSenderIncluded) {
    world.EnterRegion(ia, "r1", "1", kOrigin, 1);
    world.EnterRegion(ib, "r1", "1", kOrigin, 1);
    world.EnterRegion(ic, "r2", "1", kOrigin, 1);
    ClearAll();
    world.Chat(ia, "one");
    world.Action(ia, "a03");
    world.Chat(ia, "two");
    for (FakeLink* link : {&a, &b}) {
        ASSERT_EQ(link->got.size(), 3u);
        EXPECT_EQ(link->got[0], Message(ChatReceived{ia, "one"}));
        EXPECT_EQ(link->got[1], Message(AvatarActed{ia, "a03"}));
        EXPECT_EQ(link->got[2], Message(ChatReceived{ia, "two"}));
    }
    EXPECT_TRUE(c.got.empty());
}

TEST_F(WorldFixture, PosesAreCoalescedPerTickAndNotEchoed) {
    world.EnterRegion(ia, "r1", "1", kOrigin, 1);
    world.EnterRegion(ib, "r1", "1", kOrigin, 1);
    ClearAll();
    world.Pose(ia, Pose{1, 0, 0, 0, 0, -1});
    world.Pose(ia, Pose{2, 0, 0, 0, 0, -1});
    world.Pose(ib, Pose{9, 0, 0, 0, 0, -1});
    EXPECT_TRUE(b.got.empty());  // nothing before the tick
    world.Tick();
    EXPECT_EQ(b.All<AvatarMoved>(), (std::vector<AvatarMoved>{{ia, Pose{2, 0, 0, 0, 0, -1}}}));
    EXPECT_EQ(a.All<AvatarMoved>(), (std::vector<AvatarMoved>{{ib, Pose{9, 0, 0, 0, 0, -1}}}));
    ClearAll();
    world.Tick();
    EXPECT_TRUE(a.got.empty());
    // A newcomer sees the latest pose.
    world.EnterRegion(ic, "r1", "1", kOrigin, 1);
    auto present = c.All<AvatarPresent>();
    ASSERT_EQ(present.size(), 2u);
    EXPECT_EQ(present[0].avatar.pose, (Pose{2, 0, 0, 0, 0, -1}));
}

TEST_F(WorldFixture, EspAcrossRegionsReachesOnlyThePartner) {
    world.EnterRegion(ia, "r1", "1", kOrigin, 1);
    world.EnterRegion(ib, "r2", "1", kOrigin, 1);
    ClearAll();
    EXPECT_EQ(world.OpenEsp(ia, ib), ReplyStatus::Ok);
    EXPECT_EQ(a.All<EspRequested>(), (std::vector<EspRequested>{{ib, "7F000001:200", "bob"}}));
    EXPECT_EQ(b.All<EspRequested>(), (std::vector<EspRequested>{{ia, "C0A80001:100", "alice"}}));
    world.Esp(ia, ib, "psst");
    world.Esp(ib, ia, "yes");
    EXPECT_EQ(b.All<EspReceived>(), (std::vector<EspReceived>{{ia, "psst"}}));
    EXPECT_EQ(a.All<EspReceived>(), (std::vector<EspReceived>{{ib, "yes"}}));
    EXPECT_TRUE(c.got.empty());
    // Without a pair, ESP text goes nowhere.
    world.Esp(ic, ia, "spam");
    EXPECT_EQ(a.All<EspReceived>().size(), 1u);
    world.CloseEsp(ia, ib);
    EXPECT_EQ(b.All<EspClosed>(), std::vector<EspClosed>{{ia}});
    EXPECT_TRUE(a.All<EspClosed>().empty());
    world.Esp(ia, ib, "late");
    EXPECT_EQ(b.All<EspReceived>().size(), 1u);
}

TEST_F(WorldFixture, EspRequestForAbsentOrOwnIdFails) {
    EXPECT_EQ(world.OpenEsp(ia, 999), ReplyStatus::NotConnected);
    EXPECT_EQ(world.OpenEsp(ia, ia), ReplyStatus::Refused);
    world.TalkOut(ib);
    EXPECT_EQ(world.OpenEsp(ia, ib), ReplyStatus::NotConnected);
}

TEST_F(WorldFixture, RefusedOrDroppedEspClosesTheOtherSide) {
    world.OpenEsp(ia, ib);
    world.OpenEsp(ia, ic);
    world.EspAnswer(ib, ia, false);
    EXPECT_EQ(a.All<EspClosed>(), std::vector<EspClosed>{{ib}});
    world.EspAnswer(ic, ia, true);
    EXPECT_EQ(a.All<EspClosed>().size(), 1u);
    world.TalkOut(ic);
    EXPECT_EQ(a.All<EspClosed>(), (std::vector<EspClosed>{{ib}, {ic}}));
}

TEST_F(WorldFixture, AdminAnnounceCloseAndKick) {
    world.EnterRegion(ia, "r1", "1", kOrigin, 1);
    world.EnterRegion(ib, "r1", "1", kOrigin, 1);
    world.EnterRegion(ic, "r2", "1", kOrigin, 1);
    ClearAll();
    EXPECT_EQ(world.Announce("r2", "to r2"), 1u);
    EXPECT_EQ(world.Announce("", "to all"), 3u);
    EXPECT_EQ(c.All<AdminMessage>(), (std::vector<AdminMessage>{{"to r2"}, {"to all"}}));
    EXPECT_EQ(a.All<AdminMessage>(), std::vector<AdminMessage>{{"to all"}});
    EXPECT_EQ(world.CloseRegion("r1"), 2u);
    EXPECT_EQ(a.All<RegionClosed>().size(), 1u);
    EXPECT_EQ(b.All<RegionClosed>().size(), 1u);
    EXPECT_TRUE(c.All<RegionClosed>().empty());
    EXPECT_EQ(world.CloseRegion("r1"), 0u);
    // The region is gone: re-entering makes it anew, nobody present.
    b.got.clear();
    world.EnterRegion(ib, "r1", "1", kOrigin, 1);
    EXPECT_TRUE(b.All<AvatarPresent>().empty());
    EXPECT_EQ(world.Kick(ic), 1u);
    EXPECT_EQ(c.dropped, ByeReason::Kicked);
    EXPECT_EQ(world.Kick(ic), 0u);
    EXPECT_EQ(world.ParticipantCount(), 2u);
}

}  // namespace
}  // namespace server
