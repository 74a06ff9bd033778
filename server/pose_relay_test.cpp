#include "server/pose_relay.h"

#include "protocol/frame_decoder.h"

#include <gtest/gtest.h>

#include <map>

namespace server {
namespace {

using namespace protocol;

Pose At(float x, float z, float step = 0) { return Pose{x, 0, z, step, 0, -1}; }

// Collects what each receiver was sent, decoded.
struct Inbox {
    std::map<uint16_t, std::vector<AvatarMoved>> got;
    size_t deliveries = 0;  // calls, one a receiver a tick at most
    PoseRelay::Deliver Deliver() {
        return [this](uint16_t receiver, std::shared_ptr<const Bytes> frames) {
            ++deliveries;
            FrameDecoder decoder(Direction::ToClient);
            decoder.Append(frames->data(), frames->size());
            Message m;
            while (decoder.Next(&m) == FrameDecoder::Status::Ready) got[receiver].push_back(std::get<AvatarMoved>(m));
        };
    }
    std::vector<uint16_t> Senders(uint16_t receiver) {
        std::vector<uint16_t> out;
        for (auto& m : got[receiver]) out.push_back(m.clientId);
        return out;
    }
    void Clear() { got.clear(); }
};

PoseRelay::Settings Settings(size_t near, int farEvery, int regroupEvery = 1) {
    PoseRelay::Settings s;
    s.nearCount = near;
    s.farEveryTicks = farEvery;
    s.regroupEveryTicks = regroupEvery;
    return s;
}

TEST(PoseRelay, ASmallRegionHearsEveryMoveAtTheNextTickButNeverItsOwn) {
    PoseRelay relay(PoseRelay::Settings{});
    Inbox inbox;
    relay.Add(1, At(0, 0), true);
    relay.Add(2, At(50000, 0), true);
    relay.Add(3, At(0, 90000), true);
    relay.Move(1, At(1, 0));
    relay.Move(1, At(2, 0));
    relay.Move(3, At(0, 3));
    relay.Tick(inbox.Deliver());
    EXPECT_EQ(inbox.got[2], (std::vector<AvatarMoved>{{1, At(2, 0)}, {3, At(0, 3)}}));
    EXPECT_EQ(inbox.got[1], (std::vector<AvatarMoved>{{3, At(0, 3)}}));
    EXPECT_EQ(inbox.got[3], (std::vector<AvatarMoved>{{1, At(2, 0)}}));
    EXPECT_EQ(inbox.deliveries, 3u);
    inbox.Clear();
    for (int i = 0; i < 100; ++i) relay.Tick(inbox.Deliver());
    EXPECT_TRUE(inbox.got.empty());
}

TEST(PoseRelay, FarSendersArriveOnceATurnWithTheirLatestPoseAndTheirLastPoseIsNotLost) {
    // Receiver 1 at the origin hears 2 (near) at full rate and 3 (far) once in four ticks.
    PoseRelay relay(Settings(1, 4));
    Inbox inbox;
    relay.Add(1, At(0, 0), true);
    relay.Add(2, At(1000, 0), true);
    relay.Add(3, At(9000, 0), true);
    for (int t = 0; t < 16; ++t) {
        relay.Move(2, At(1000, 0, float(t)));
        relay.Move(3, At(9000, 0, float(t)));
        relay.Tick(inbox.Deliver());
    }
    std::vector<AvatarMoved> near, far;
    for (auto& m : inbox.got[1]) (m.clientId == 2 ? near : far).push_back(m);
    EXPECT_EQ(near.size(), 16u);
    ASSERT_EQ(far.size(), 4u);
    // Each far pose is the latest at its turn, four ticks apart.
    for (size_t i = 1; i < far.size(); ++i) EXPECT_EQ(far[i].pose[3] - far[i - 1].pose[3], 4.0f);
    // 3 stops: its last pose still reaches 1 at its next turn, then nothing more.
    inbox.Clear();
    relay.Move(3, At(9000, 0, 99));
    for (int t = 0; t < 12; ++t) relay.Tick(inbox.Deliver());
    EXPECT_EQ(inbox.got[1], (std::vector<AvatarMoved>{{3, At(9000, 0, 99)}}));
}

TEST(PoseRelay, EachReceiverGetsItsNearAtFullRateAndTheRestAtTheReducedRate) {
    // 200 members on a line, all moving every tick: over one far period each receiver gets 5
    // near senders every tick and every other sender exactly once.
    const int n = 200, near = 5, every = 8;
    PoseRelay relay(Settings(near, every, 1000));
    Inbox inbox;
    for (int i = 1; i <= n; ++i) relay.Add(uint16_t(i), At(float(i) * 1000, 0), true);
    relay.Tick(inbox.Deliver());
    inbox.Clear();
    for (int t = 0; t < every; ++t) {
        for (int i = 1; i <= n; ++i) relay.Move(uint16_t(i), At(float(i) * 1000, 0, float(t)));
        relay.Tick(inbox.Deliver());
    }
    for (int r = 1; r <= n; ++r) {
        std::map<uint16_t, int> per;
        for (auto id : inbox.Senders(uint16_t(r))) ++per[id];
        const auto nearOf = relay.NearOf(uint16_t(r));
        ASSERT_EQ(nearOf.size(), size_t(near));
        for (int s = 1; s <= n; ++s) {
            if (s == r) {
                EXPECT_EQ(per.count(uint16_t(s)), 0u);
                continue;
            }
            const bool isNear = std::find(nearOf.begin(), nearOf.end(), s) != nearOf.end();
            EXPECT_EQ(per[uint16_t(s)], isNear ? every : 1) << "receiver " << r << " sender " << s;
        }
        // Near on a line: within three places either side, away from its ends.
        if (r > 3 && r <= n - 3)
            for (auto s : nearOf) EXPECT_LE(std::abs(int(s) - r), 3);
    }
    EXPECT_LE(inbox.deliveries, size_t(n * every));  // one buffer a receiver a tick
}

TEST(PoseRelay, InACrowdTooBigForTheFarBudgetFarTurnsComeRoundMoreSlowly) {
    // 100 on a line, 2 near each: 97 far senders, at most 5 far poses a tick to each receiver,
    // so a far sender's turn comes every 20 ticks instead of every 4.
    const int n = 100;
    auto settings = Settings(2, 4, 1000);
    settings.farBudgetPerTick = 5;
    PoseRelay relay(settings);
    Inbox inbox;
    for (int i = 1; i <= n; ++i) relay.Add(uint16_t(i), At(float(i) * 1000, 0), true);
    relay.Tick(inbox.Deliver());
    EXPECT_EQ(relay.FarPeriod(), 20);
    inbox.Clear();
    size_t mostInATick = 0;
    std::map<uint16_t, std::map<uint16_t, int>> heard;
    for (int t = 0; t < 20; ++t) {
        for (int i = 1; i <= n; ++i) relay.Move(uint16_t(i), At(float(i) * 1000, 0, float(t)));
        relay.Tick(inbox.Deliver());
        for (auto& [receiver, moves] : inbox.got) {
            mostInATick = std::max(mostInATick, moves.size());
            for (auto& m : moves) ++heard[receiver][m.clientId];
        }
        inbox.Clear();
    }
    EXPECT_LE(mostInATick, 2u + 5u);
    // Over one period: the near ones every tick, every far one exactly once.
    for (int r = 1; r <= n; ++r) {
        const auto nearOf = relay.NearOf(uint16_t(r));
        EXPECT_EQ(heard[uint16_t(r)].size(), size_t(n - 1)) << r;
        for (auto& [sender, count] : heard[uint16_t(r)]) {
            const bool isNear = std::find(nearOf.begin(), nearOf.end(), sender) != nearOf.end();
            EXPECT_EQ(count, isNear ? 20 : 1) << r << " hears " << sender;
        }
    }
    // A smaller crowd fits the budget again: the usual period.
    for (int i = 10; i <= n; ++i) relay.Remove(uint16_t(i));
    relay.Tick(inbox.Deliver());
    EXPECT_EQ(relay.FarPeriod(), 4);
}

TEST(PoseRelay, ANewcomerNearByIsHeardAtOnce) {
    PoseRelay relay(Settings(1, 50, 1000));
    Inbox inbox;
    relay.Add(1, At(0, 0), true);
    relay.Add(2, At(90000, 0), true);
    relay.Tick(inbox.Deliver());
    // 3 arrives right beside 1; its first move reaches 1 at the next tick, not at a far turn.
    relay.Add(3, At(10, 0), true);
    relay.Move(3, At(20, 0));
    relay.Tick(inbox.Deliver());
    EXPECT_EQ(relay.NearOf(1), std::vector<uint16_t>{3});
    EXPECT_EQ(inbox.got[1], (std::vector<AvatarMoved>{{3, At(20, 0)}}));
    // And 3 hears 1 at once too.
    relay.Move(1, At(1, 0));
    relay.Tick(inbox.Deliver());
    EXPECT_EQ(inbox.got[3], (std::vector<AvatarMoved>{{1, At(1, 0)}}));
}

TEST(PoseRelay, AReceiverThatWalksOverHearsItsNewNeighboursLatestPoseAtOnce) {
    PoseRelay relay(Settings(1, 1000, 5));
    Inbox inbox;
    relay.Add(1, At(0, 0), true);
    relay.Add(2, At(1000, 0), true);
    relay.Add(3, At(50000, 0), true);
    for (int t = 0; t < 3; ++t) relay.Tick(inbox.Deliver());  // past the members' first turns
    EXPECT_EQ(relay.NearOf(1), std::vector<uint16_t>{2});
    // 3 shuffles about while far: 1 hears nothing of it before its turn, a long way off.
    relay.Move(3, At(50000, 10));
    relay.Tick(inbox.Deliver());
    EXPECT_TRUE(inbox.got[1].empty());
    // 1 walks over to 3; within the regroup period 3 becomes near and its latest pose arrives
    // although 3 has not moved since.
    relay.Move(1, At(49000, 0));
    for (int t = 0; t < 5 && inbox.got[1].empty(); ++t) relay.Tick(inbox.Deliver());
    EXPECT_EQ(relay.NearOf(1), std::vector<uint16_t>{3});
    EXPECT_EQ(inbox.got[1], (std::vector<AvatarMoved>{{3, At(50000, 10)}}));
    // 2 is far now: its moves wait for its turn.
    inbox.Clear();
    relay.Move(2, At(1000, 1));
    relay.Tick(inbox.Deliver());
    EXPECT_TRUE(inbox.got[1].empty());
}

TEST(PoseRelay, OtherNodesMembersSendButAreNotSentToAndTheirNearMovesGoAtOnce) {
    // 10 and 11 live on another node: positions count, but nothing is delivered to them here.
    PoseRelay relay(Settings(1, 4, 1000));
    Inbox inbox;
    relay.Add(1, At(0, 0), true);
    relay.Add(10, At(500, 0), false);
    relay.Add(11, At(70000, 0), false);
    relay.Tick(inbox.Deliver());
    EXPECT_EQ(relay.NearOf(1), std::vector<uint16_t>{10});
    EXPECT_TRUE(relay.NearOf(10).empty());
    // Forwarded between ticks: the near one reaches 1 at once, the far one waits for its turn.
    relay.Move(10, At(501, 0));
    relay.Move(11, At(70001, 0));
    relay.DeliverNear(inbox.Deliver());
    EXPECT_EQ(inbox.got[1], (std::vector<AvatarMoved>{{10, At(501, 0)}}));
    for (int t = 0; t < 4; ++t) relay.Tick(inbox.Deliver());
    EXPECT_EQ(inbox.got[1], (std::vector<AvatarMoved>{{10, At(501, 0)}, {11, At(70001, 0)}}));
    relay.Move(1, At(1, 0));
    relay.Tick(inbox.Deliver());
    EXPECT_EQ(inbox.got.count(10), 0u);
    EXPECT_EQ(inbox.got.count(11), 0u);
}

TEST(PoseRelay, ADepartedMembersWaitingMovesGoNowhereAndItsPlaceIsTaken) {
    PoseRelay relay(Settings(1, 2, 1000));
    Inbox inbox;
    relay.Add(1, At(0, 0), true);
    relay.Add(2, At(100, 0), true);
    relay.Add(3, At(5000, 0), true);
    relay.Tick(inbox.Deliver());
    relay.Move(2, At(101, 0));
    relay.Remove(2);
    relay.Move(2, At(102, 0));  // late news of someone gone
    relay.Tick(inbox.Deliver());
    EXPECT_TRUE(inbox.got[1].empty());
    EXPECT_EQ(relay.NearOf(1), std::vector<uint16_t>{3});
    EXPECT_TRUE(relay.NearOf(2).empty());
    relay.Move(3, At(5001, 0));
    relay.Tick(inbox.Deliver());
    EXPECT_EQ(inbox.got[1], (std::vector<AvatarMoved>{{3, At(5001, 0)}}));
    relay.Remove(1);
    relay.Remove(3);
    EXPECT_TRUE(relay.Empty());
}

TEST(PoseRelay, InRoundsEachReceiverIsWrittenOnceARoundAtItsOwnTickAndACrowdGetsLongerRounds) {
    // Rounds of two ticks, four once the region holds more than six; near sets of 2, far
    // turns once in 8 ticks.
    auto settings = Settings(2, 8, 1000);
    settings.roundTicks = 2;
    settings.crowdSize = 6;
    settings.crowdRoundTicks = 4;
    PoseRelay relay(settings);
    Inbox inbox;
    std::map<uint16_t, std::vector<int>> turns;  // receiver -> ticks of its turns
    int now = 0;
    auto tick = [&] {
        relay.Tick(inbox.Deliver(), [&](uint16_t r) { turns[r].push_back(now); });
        ++now;
    };
    auto walk = [&](int members, int ticks) {
        for (int t = 0; t < ticks; ++t) {
            for (int i = 1; i <= members; ++i) relay.Move(uint16_t(i), At(float(i) * 1000, 0, float(now)));
            tick();
        }
    };
    for (int i = 1; i <= 6; ++i) relay.Add(uint16_t(i), At(float(i) * 1000, 0), true);
    walk(6, 2);
    EXPECT_EQ(relay.RoundTicks(), 2);
    EXPECT_EQ(relay.FarPeriod(), 4);  // rounds
    inbox.Clear();
    turns.clear();
    walk(6, 8);
    for (int r = 1; r <= 6; ++r) {
        const auto& at = turns[uint16_t(r)];
        ASSERT_EQ(at.size(), 4u) << r;
        for (size_t k = 1; k < at.size(); ++k) EXPECT_EQ(at[k] - at[k - 1], 2) << r;
        // Each turn carries every near sender's latest pose once, far ones once in four rounds.
        std::map<uint16_t, std::vector<float>> heard;
        for (auto& m : inbox.got[uint16_t(r)]) heard[m.clientId].push_back(m.pose[3]);
        const auto nearOf = relay.NearOf(uint16_t(r));
        for (auto& [sender, steps] : heard) {
            const bool isNear = std::find(nearOf.begin(), nearOf.end(), sender) != nearOf.end();
            EXPECT_EQ(steps.size(), isNear ? 4u : 1u) << r << " hears " << sender;
            // The latest pose: the move made just before the turn's tick.
            if (isNear) EXPECT_EQ(steps.back(), float(at.back())) << r << " hears " << sender;
        }
        EXPECT_EQ(heard.size(), 5u) << r;
    }
    // Half the region is written at each tick, not all of it at once.
    size_t first = 0, second = 0;
    for (auto& [r, at] : turns) (at.front() % 2 == 0 ? first : second) += 1;
    EXPECT_EQ(first, 3u);
    EXPECT_EQ(second, 3u);

    // A seventh member makes it a crowd: a turn every four ticks, far turns counted in the
    // longer rounds, and a move made between two turns is not lost.
    relay.Add(7, At(7000, 0), true);
    walk(7, 4);
    EXPECT_EQ(relay.RoundTicks(), 4);
    EXPECT_EQ(relay.FarPeriod(), 2);
    turns.clear();
    inbox.Clear();
    walk(7, 8);
    for (int r = 1; r <= 7; ++r) EXPECT_EQ(turns[uint16_t(r)].size(), 2u) << r;
    for (int t = 0; t < 4; ++t) tick();  // everyone's turn once more: nothing left waiting
    inbox.Clear();
    relay.Move(6, At(6000, 0, 500));
    for (int t = 0; t < 4; ++t) tick();
    int nearOfSix = 0;
    for (int r = 1; r <= 7; ++r) {
        const auto nearOf = relay.NearOf(uint16_t(r));
        std::vector<AvatarMoved> fromNear;
        for (auto& m : inbox.got[uint16_t(r)])
            if (std::find(nearOf.begin(), nearOf.end(), m.clientId) != nearOf.end()) fromNear.push_back(m);
        if (std::find(nearOf.begin(), nearOf.end(), 6) == nearOf.end()) {
            EXPECT_TRUE(fromNear.empty()) << r;
            continue;
        }
        ++nearOfSix;
        EXPECT_EQ(fromNear, (std::vector<AvatarMoved>{{6, At(6000, 0, 500)}})) << r;
    }
    EXPECT_GE(nearOfSix, 2);
}

TEST(PoseRelay, MovesSentAtOnceFromElsewhereAreNotSentAgainAtTheReceiversTurn) {
    auto settings = Settings(1, 1000, 1000);
    settings.roundTicks = 3;
    PoseRelay relay(settings);
    Inbox inbox;
    relay.Add(1, At(0, 0), true);
    relay.Add(10, At(500, 0), false);
    relay.Tick(inbox.Deliver());
    relay.Move(10, At(501, 0));
    relay.DeliverNear(inbox.Deliver());
    relay.Move(10, At(502, 0));
    for (int t = 0; t < 6; ++t) relay.Tick(inbox.Deliver());
    EXPECT_EQ(inbox.got[1], (std::vector<AvatarMoved>{{10, At(501, 0)}, {10, At(502, 0)}}));
}

}  // namespace
}  // namespace server
