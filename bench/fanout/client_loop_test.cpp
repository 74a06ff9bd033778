#include "bench/fanout/client_loop.h"

#include "bench/fanout/fanout_clock.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace fanout {
namespace {

// Records when it was told to send; one of them can stall the loop once, as a slow moment would.
class RecordingClient : public FanoutClient {
public:
    RecordingClient(FanoutStats& stats, bool ready) : stats_(stats), ready_(ready) {}
    void Start() override {}
    bool Ready() const override { return ready_; }
    bool Failed() const override { return !ready_; }
    const std::string& Error() const override { return error_; }
    void SendPose(uint64_t now) override {
        poses.push_back(now);
        ++stats_.posesSent;
        if (stallOnce > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(stallOnce));
            stallOnce = 0;
        }
    }
    void SendChat(uint64_t now) override {
        chats.push_back(now);
        ++stats_.chatsSent;
    }
    void Close() override {}

    std::vector<uint64_t> poses, chats;
    int stallOnce = 0;

private:
    FanoutStats& stats_;
    bool ready_;
    std::string error_ = "refused";
};

FanoutOptions Workload() {
    FanoutOptions o;
    o.posesPerSecond = 20;
    o.chatIntervalSeconds = 0.5;
    return o;
}

}  // namespace

TEST(ClientLoop, SendsAtTheRateSpreadOverThePeriodAndCountsOnlyTheMeasuredPart) {
    ClientLoop loop(Workload(), 7);
    std::vector<RecordingClient*> clients;
    for (int i = 0; i < 10; ++i) {
        auto c = std::make_unique<RecordingClient>(loop.Stats(), true);
        clients.push_back(c.get());
        loop.Add(std::move(c));
    }
    const uint64_t start = NowMicros();
    loop.Load(start + 500'000, start + 1'500'000);
    uint64_t inWindow = 0;
    for (auto* c : clients) {
        // 1.5 s at 20/s: 30 poses and 3 chat lines, give or take the phase (and a busy machine).
        EXPECT_GE(c->poses.size(), 24u);
        EXPECT_LE(c->poses.size(), 31u);
        EXPECT_GE(c->chats.size(), 2u);
        EXPECT_LE(c->chats.size(), 4u);
        for (uint64_t t : c->poses) inWindow += t >= start + 500'000 ? 1 : 0;
    }
    EXPECT_EQ(loop.Stats().posesSent, inWindow);  // the warm-up's sends were forgotten
    // Independent users: first lines spread over the 500 ms interval, not all in one tick.
    uint64_t first = UINT64_MAX, last = 0;
    for (auto* c : clients) {
        first = std::min(first, c->chats.front());
        last = std::max(last, c->chats.front());
    }
    EXPECT_GT(last - first, 100'000u);
}

TEST(ClientLoop, AfterAStallEachClientSendsOnceInsteadOfABurst) {
    ClientLoop loop(Workload(), 7);
    std::vector<RecordingClient*> clients;
    for (int i = 0; i < 4; ++i) {
        auto c = std::make_unique<RecordingClient>(loop.Stats(), true);
        clients.push_back(c.get());
        loop.Add(std::move(c));
    }
    clients[0]->stallOnce = 300;  // six periods
    const uint64_t start = NowMicros();
    loop.Load(start, start + 800'000);
    for (auto* c : clients) {
        for (size_t i = 1; i < c->poses.size(); ++i)
            EXPECT_GE(c->poses[i] - c->poses[i - 1], 20'000u) << "burst after the stall";
        EXPECT_LE(c->poses.size(), 16u);
    }
}

TEST(ClientLoop, JoinReportsWhoDidNotMakeIt) {
    ClientLoop loop(Workload(), 7);
    loop.Add(std::make_unique<RecordingClient>(loop.Stats(), true));
    loop.Add(std::make_unique<RecordingClient>(loop.Stats(), false));
    loop.Join(NowMicros() + 1'000'000);
    EXPECT_EQ(loop.ReadyCount(), 1);
    EXPECT_EQ(loop.FirstError(), "refused");
}

}  // namespace fanout
