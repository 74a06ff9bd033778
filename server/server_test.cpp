// The real server over loopback sockets: flows between several clients, administration, and
// hostile clients that must cost only themselves.
#include "protocol/limits.h"
#include "server/bot/wire_client.h"
#include "protocol/frame_decoder.h"
#include "server/server_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <poll.h>
#include <thread>
#include <vector>
#include <unistd.h>

namespace server {
namespace {

using namespace protocol;
using bot::WireClient;

const Pose kOrigin{0, 0, 0, 0, 0, -1};

class ServerTest : public ::testing::Test {
protected:
    void StartServer(std::vector<std::string> args = {}) { ASSERT_TRUE(server.Start(args)) << server.Log(); }

    // Connects, talks in and (if region given) enters; returns the client id.
    uint16_t Join(WireClient& c, const std::string& user, const std::string& region = "", const std::string& name = "n",
                  const Pose& at = kOrigin) {
        EXPECT_TRUE(c.Connect("127.0.0.1", server.Port()));
        EXPECT_TRUE(c.WaitFor<Welcome>(2000));
        auto r = c.Call(TalkIn{0, 0x00020001, user, "", name, 0, 0});
        EXPECT_TRUE(r && r->status == ReplyStatus::Ok);
        if (!region.empty()) {
            auto e = c.Call(EnterRegion{0, region, "1", at, 1});
            EXPECT_TRUE(e && e->status == ReplyStatus::Ok);
        }
        return r ? r->clientId : 0;
    }
    // True when the server ends the connection within the time (a Bye may come first).
    static bool ClosedWithin(WireClient& c, int ms, std::optional<ByeReason>* bye = nullptr) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < deadline) {
            while (!c.Backlog().empty()) {
                if (auto* b = std::get_if<Bye>(&c.Backlog().front()); b && bye) *bye = b->reason;
                c.Backlog().pop_front();
            }
            if (!c.Pump(50) || !c.IsOpen()) return true;
        }
        return false;
    }
    // With `allowed` connected, one more is turned away as too many; a slot frees when one leaves.
    void ExpectFullAfterAndFreedWhenOneLeaves(int allowed) {
        std::vector<WireClient> c(allowed + 1);
        for (int i = 0; i < allowed; ++i) ASSERT_TRUE(c[i].Connect("127.0.0.1", server.Port()));
        for (int i = 0; i < allowed; ++i) ASSERT_TRUE(c[i].WaitFor<Welcome>(2000));
        ASSERT_TRUE(c[allowed].Connect("127.0.0.1", server.Port()));
        std::optional<ByeReason> bye;
        EXPECT_TRUE(ClosedWithin(c[allowed], 3000, &bye));
        EXPECT_EQ(bye, ByeReason::TooManyConnections);
        c[0].Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        WireClient again;
        ASSERT_TRUE(again.Connect("127.0.0.1", server.Port()));
        EXPECT_TRUE(again.WaitFor<Welcome>(2000));
    }
    // The chat still works between these two.
    static void ExpectChatWorks(WireClient& from, uint16_t fromId, WireClient& to, const std::string& text) {
        ASSERT_TRUE(from.Send(SendChat{text}));
        auto got = to.WaitFor([&](const Message& m) {
            auto* c = std::get_if<ChatReceived>(&m);
            return c && c->clientId == fromId && c->text == text;
        }, 3000);
        EXPECT_TRUE(got) << "chat " << text << " did not arrive";
    }

    ServerProcess server;
};

TEST_F(ServerTest, RegionFlowBetweenClients) {
    StartServer();
    WireClient a, b;
    const uint16_t ia = Join(a, "100", "room");
    const uint16_t ib = Join(b, "200", "room", "bob");
    auto present = b.WaitFor<AvatarPresent>(2000);
    ASSERT_TRUE(present);
    EXPECT_EQ(present->avatar.clientId, ia);
    EXPECT_EQ(present->avatar.userId, "7F000001:100");
    auto entered = a.WaitFor<AvatarEntered>(2000);
    ASSERT_TRUE(entered);
    EXPECT_EQ(entered->avatar.clientId, ib);
    EXPECT_EQ(entered->avatar.avatarName, "bob");

    // Chat reaches the sender too; action order is kept per sender.
    b.Send(SendChat{"\x82\xB1\x82\xF1"});
    b.Send(SendAction{"a02"});
    for (WireClient* c : {&a, &b}) {
        auto chat = c->WaitFor<ChatReceived>(2000);
        ASSERT_TRUE(chat);
        EXPECT_EQ(*chat, (ChatReceived{ib, "\x82\xB1\x82\xF1"}));
        EXPECT_EQ(c->WaitFor<AvatarActed>(2000), (AvatarActed{ib, "a02"}));
    }
    b.Send(SendPose{Pose{5, 0, 5, 0, 0, -1}});
    EXPECT_EQ(a.WaitFor<AvatarMoved>(2000), (AvatarMoved{ib, Pose{5, 0, 5, 0, 0, -1}}));

    auto leave = b.Call(LeaveRegion{});
    ASSERT_TRUE(leave);
    EXPECT_EQ(leave->status, ReplyStatus::Ok);
    EXPECT_EQ(a.WaitFor<AvatarLeft>(2000), AvatarLeft{ib});
    b.Call(EnterRegion{0, "room", "1", kOrigin, 1});
    ASSERT_TRUE(a.WaitFor<AvatarEntered>(2000));
    b.Close();  // dropping the connection counts as leaving
    EXPECT_EQ(a.WaitFor<AvatarLeft>(3000), AvatarLeft{ib});
}

Pose Step(float x, float z, int step) { return Pose{x, 0, z, float(step), 0, -1}; }

TEST_F(ServerTest, MembersHearTheirNearestAtFullRateAndEveryoneElseAtTheFarRate) {
    StartServer({"--near-avatars", "2", "--far-pose-ms", "1500"});
    WireClient o, a, b, c;
    Join(o, "1", "crowd", "o", Step(0, 0, 0));
    const uint16_t ia = Join(a, "2", "crowd", "a", Step(1000, 0, 0));
    const uint16_t ib = Join(b, "3", "crowd", "b", Step(0, 2000, 0));
    const uint16_t ic = Join(c, "4", "crowd", "c", Step(60000, 0, 0));
    o.TakeMovesWithin(300);
    // Twenty steps each, 50 ms apart: o hears its two nearest every step, the far one now and then.
    for (int i = 1; i <= 20; ++i) {
        a.Send(SendPose{Step(1000, 0, i)});
        b.Send(SendPose{Step(0, 2000, i)});
        c.Send(SendPose{Step(60000, 0, i)});
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    auto got = o.TakeMovesWithin(100);
    EXPECT_GE(got[ia].size(), 15u);
    EXPECT_GE(got[ib].size(), 15u);
    EXPECT_LE(got[ic].size(), 2u);
    ASSERT_FALSE(got[ia].empty());
    EXPECT_EQ(got[ia].back(), Step(1000, 0, 20));
    // The far one's last step is not lost: it comes within one far period.
    auto farSteps = got[ic];
    auto later = o.TakeMovesWithin(1700);
    farSteps.insert(farSteps.end(), later[ic].begin(), later[ic].end());
    ASSERT_FALSE(farSteps.empty()) << server.Log();
    EXPECT_EQ(farSteps.back(), Step(60000, 0, 20));

    // A newcomer right beside o is heard at once, well before a far turn; b is far now.
    WireClient d;
    const uint16_t id = Join(d, "5", "crowd", "d", Step(500, 0, 0));
    ASSERT_TRUE(o.WaitFor<AvatarEntered>(2000));
    o.TakeMovesWithin(100);
    for (int i = 1; i <= 10; ++i) {
        d.Send(SendPose{Step(500, 0, i)});
        b.Send(SendPose{Step(0, 2000, 100 + i)});
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    got = o.TakeMovesWithin(100);
    EXPECT_GE(got[id].size(), 8u);
    EXPECT_LE(got[ib].size(), 2u);

    // o walks over to c: c's moves come at full rate from then on, and b's (the farthest now)
    // still do not.
    o.Send(SendPose{Step(59000, 0, 1)});
    o.TakeMovesWithin(400);
    for (int i = 1; i <= 10; ++i) {
        c.Send(SendPose{Step(60000, 0, 100 + i)});
        b.Send(SendPose{Step(0, 2000, 200 + i)});
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    got = o.TakeMovesWithin(100);
    EXPECT_GE(got[ic].size(), 8u);
    EXPECT_LE(got[ib].size(), 2u);
    // Chat still reaches everyone, near or far.
    ExpectChatWorks(c, ic, a, "far but heard");
}

TEST_F(ServerTest, RequestsOutOfOrderAreRefused) {
    StartServer();
    WireClient a;
    ASSERT_TRUE(a.Connect("127.0.0.1", server.Port()));
    auto enter = a.Call(EnterRegion{0, "room", "1", kOrigin, 1});
    ASSERT_TRUE(enter);
    EXPECT_EQ(enter->status, ReplyStatus::Refused);
    auto out = a.Call(TalkOut{});
    ASSERT_TRUE(out);
    EXPECT_EQ(out->status, ReplyStatus::Refused);
    ASSERT_EQ(a.Call(TalkIn{0, 0x00020001, "1", "", "n", 0, 0})->status, ReplyStatus::Ok);
    EXPECT_EQ(a.Call(TalkIn{0, 0x00020001, "1", "", "n", 0, 0})->status, ReplyStatus::Refused);
    EXPECT_EQ(a.Call(EnterRegion{0, "", "1", kOrigin, 1})->status, ReplyStatus::BadRequest);
    EXPECT_EQ(a.Call(TalkOut{})->status, ReplyStatus::Ok);
}

TEST_F(ServerTest, EspAcrossRegions) {
    StartServer();
    WireClient a, b;
    const uint16_t ia = Join(a, "100", "r1", "alice");
    const uint16_t ib = Join(b, "200", "r2", "bob");
    auto bad = a.Call(OpenEsp{0, 4242, "", ""});
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, ReplyStatus::NotConnected);

    ASSERT_EQ(a.Call(OpenEsp{0, ib, "7F000001:200", "bob"})->status, ReplyStatus::Ok);
    EXPECT_EQ(a.WaitFor<EspRequested>(2000), (EspRequested{ib, "7F000001:200", "bob"}));
    EXPECT_EQ(b.WaitFor<EspRequested>(2000), (EspRequested{ia, "7F000001:100", "alice"}));
    b.Send(EspAnswer{ia, true});
    a.Send(SendEsp{ib, "hello"});
    EXPECT_EQ(b.WaitFor<EspReceived>(2000), (EspReceived{ia, "hello"}));
    ASSERT_EQ(b.Call(CloseEsp{0, ia, ""})->status, ReplyStatus::Ok);
    EXPECT_EQ(a.WaitFor<EspClosed>(2000), EspClosed{ib});

    // A partner whose host did not open its window ends the request.
    a.Call(OpenEsp{0, ib, "", ""});
    ASSERT_TRUE(b.WaitFor<EspRequested>(2000));
    b.Send(EspAnswer{ia, false});
    EXPECT_EQ(a.WaitFor<EspClosed>(2000), EspClosed{ib});
}

TEST_F(ServerTest, AdminAnnouncesClosesRegionsAndKicks) {
    StartServer();
    WireClient a, b, c;
    Join(a, "1", "r1");
    const uint16_t ib = Join(b, "2", "r1");
    Join(c, "3", "r2");
    EXPECT_EQ(server.Admin({"announce", "--region", "r2", "メンテナンス"}), "ok 1");
    EXPECT_EQ(c.WaitFor<AdminMessage>(2000), AdminMessage{"\x83\x81\x83\x93\x83\x65\x83\x69\x83\x93\x83\x58"});
    EXPECT_EQ(server.Admin({"announce", "all", "hands"}), "ok 3");
    EXPECT_EQ(a.WaitFor<AdminMessage>(2000), AdminMessage{"all hands"});

    EXPECT_EQ(server.Admin({"kick", std::to_string(ib)}), "ok 1");
    std::optional<ByeReason> bye;
    EXPECT_TRUE(ClosedWithin(b, 3000, &bye));
    EXPECT_EQ(bye, ByeReason::Kicked);
    EXPECT_EQ(a.WaitFor<AvatarLeft>(2000), AvatarLeft{ib});
    EXPECT_EQ(server.Admin({"kick", "999"}), "error no such client");

    EXPECT_EQ(server.Admin({"close-region", "r1"}), "ok 1");
    EXPECT_TRUE(a.WaitFor<RegionClosed>(2000));
    EXPECT_FALSE(c.WaitFor<RegionClosed>(300));
    EXPECT_EQ(a.Call(LeaveRegion{})->status, ReplyStatus::Ok);  // the host's leave sequence still succeeds
    EXPECT_EQ(server.Admin({"frobnicate"}).rfind("usage", 0), std::string::npos);
}

TEST_F(ServerTest, AdminSocketIsPrivate) {
    StartServer();
    struct stat st{};
    ASSERT_EQ(::stat(server.AdminSocket().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
}

TEST_F(ServerTest, ShutdownSaysByeToEveryone) {
    StartServer();
    WireClient a;
    Join(a, "1", "r1");
    server.Stop();
    std::optional<ByeReason> bye;
    EXPECT_TRUE(ClosedWithin(a, 3000, &bye));
    EXPECT_EQ(bye, ByeReason::ServerShutdown);
}

TEST_F(ServerTest, BadFramesCostOnlyTheSender) {
    StartServer();
    WireClient good1, good2;
    const uint16_t g1 = Join(good1, "1", "r");
    Join(good2, "2", "r");
    const std::vector<std::pair<const char*, Bytes>> attacks = {
        {"garbage", Bytes{'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P'}},
        {"oversized length", Bytes{0x7F, 0xFF, 0xFF, 0xFF, 1, 0x08}},
        {"wrong version", Bytes{0, 0, 0, 4, 9, 0x04, 0, 0}},
        {"server-only message", Bytes{0, 0, 0, 4, 1, 0x44, 0, 1}},
        {"text longer than frame", Bytes{0, 0, 0, 6, 1, 0x08, 0xFF, 0xFF, 'a', 'b'}},
    };
    for (const auto& [name, bytes] : attacks) {
        SCOPED_TRACE(name);
        WireClient bad;
        Join(bad, "66", "r");
        bad.SendRaw(bytes);
        std::optional<ByeReason> bye;
        EXPECT_TRUE(ClosedWithin(bad, 3000, &bye));
        EXPECT_EQ(bye, ByeReason::ProtocolError);
        ExpectChatWorks(good1, g1, good2, std::string("after ") + name);
    }
    // Half a frame and then silence: the talk-in timer takes it.
}

TEST_F(ServerTest, TalkInTimeoutAndKeepalive) {
    StartServer({"--talk-in-timeout-ms", "300", "--keepalive-ms", "200"});
    WireClient idle;
    ASSERT_TRUE(idle.Connect("127.0.0.1", server.Port()));
    idle.SendRaw(Bytes{0, 0, 0, 30, 1});  // a truncated frame, then nothing
    std::optional<ByeReason> bye;
    EXPECT_TRUE(ClosedWithin(idle, 3000, &bye));
    EXPECT_EQ(bye, ByeReason::Timeout);

    // A talked-in client that answers pings stays; one that goes deaf is dropped.
    WireClient alive, deaf;
    const uint16_t ia = Join(alive, "1", "r");
    Join(deaf, "2", "r");
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < until) alive.Pump(50);  // answers pings
    EXPECT_TRUE(alive.IsOpen());
    // deaf never read anything: the server heard nothing from it for three intervals.
    auto left = alive.WaitFor<AvatarLeft>(2000);
    ASSERT_TRUE(left);
    EXPECT_NE(left->clientId, ia);
}

TEST_F(ServerTest, FloodingClientIsDropped) {
    StartServer({"--rate", "20", "--burst", "40"});
    WireClient good, flood;
    const uint16_t ig = Join(good, "1", "r");
    Join(flood, "2", "r");
    for (int i = 0; i < 200 && flood.IsOpen(); ++i) flood.Send(SendChat{"spam"});
    std::optional<ByeReason> bye;
    EXPECT_TRUE(ClosedWithin(flood, 3000, &bye));
    EXPECT_EQ(bye, ByeReason::Flooding);
    ExpectChatWorks(good, ig, good, "still here");
}

TEST_F(ServerTest, SlowReaderIsDroppedWithoutStallingOthers) {
    // The slow reader is a bare socket: no TLS.
    StartServer({"--plain", "--send-queue-bytes", "65536", "--rate", "60000", "--burst", "60000"});
    WireClient talker, listener;
    talker.SetPlain(true);
    listener.SetPlain(true);
    const uint16_t it = Join(talker, "1", "r");
    Join(listener, "3", "r");
    // The slow reader never reads, with a tiny receive window.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    Bytes join = Encode(TalkIn{1, 0x00020001, "2", "", "slow", 0, 0});
    EncodeTo(EnterRegion{2, "r", "1", kOrigin, 1}, join);
    ASSERT_EQ(::send(fd, join.data(), join.size(), 0), ssize_t(join.size()));
    ASSERT_TRUE(talker.WaitFor<AvatarEntered>(2000));

    const std::string line(1000, 'x');
    bool dropped = false;
    for (int i = 0; i < 20000 && !dropped; ++i) {
        talker.Send(SendChat{line});
        talker.Pump(0);
        listener.Pump(0);
        talker.Backlog().clear();
        listener.Backlog().clear();
        if (i % 100 == 0) dropped = server.Log().find("send queue over") != std::string::npos;
    }
    EXPECT_TRUE(dropped) << server.Log();
    // What it reads now ends, whole frames all the way, with the Bye that says why.
    FrameDecoder decoder(Direction::ToClient);
    std::optional<Message> last;
    uint8_t buffer[65536];
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5); std::chrono::steady_clock::now() < until;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        decoder.Append(buffer, size_t(n));
        Message m;
        FrameDecoder::Status status;
        while ((status = decoder.Next(&m)) == FrameDecoder::Status::Ready) last = m;
        ASSERT_NE(status, FrameDecoder::Status::Failed) << decoder.Error();
    }
    ASSERT_TRUE(last && std::holds_alternative<Bye>(*last));
    EXPECT_EQ(std::get<Bye>(*last).reason, ByeReason::TooSlow);
    EXPECT_TRUE(talker.IsOpen());
    EXPECT_TRUE(listener.IsOpen());
    ExpectChatWorks(talker, it, listener, "after the slow one");
    ::close(fd);
}

TEST_F(ServerTest, ConnectionsPerAddressAreLimited) {
    StartServer({"--max-per-address", "3"});
    ExpectFullAfterAndFreedWhenOneLeaves(3);
}

// ---- limits at the edges -----------------------------------------------------------------------

TEST_F(ServerTest, ConnectionCapAnswersTooManyConnections) {
    StartServer({"--max-connections", "2"});
    ExpectFullAfterAndFreedWhenOneLeaves(2);
}

TEST_F(ServerTest, FewFileDescriptorsCostNeitherACoreNorTheDisk) {
    // 64 files: the server keeps itself room and turns the rest away instead of spinning.
    server.SetFileLimit(64);
    StartServer({"--max-per-address", "1000"});
    std::vector<std::unique_ptr<WireClient>> crowd;
    for (int i = 0; i < 120; ++i) {
        crowd.push_back(std::make_unique<WireClient>());
        crowd.back()->Connect("127.0.0.1", server.Port(), 500);
    }
    int welcomed = 0, full = 0;
    for (auto& c : crowd) {
        auto m = c->WaitFor([](const Message& m) { return std::holds_alternative<Welcome>(m) || std::holds_alternative<Bye>(m); }, 2000);
        if (m && std::holds_alternative<Welcome>(*m)) ++welcomed;
        if (m && std::holds_alternative<Bye>(*m) && std::get<Bye>(*m).reason == ByeReason::TooManyConnections) ++full;
    }
    EXPECT_GT(welcomed, 10);
    EXPECT_GT(full, 50);
    EXPECT_EQ(welcomed + full, 120);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const std::string log = server.Log();
    EXPECT_LT(log.size(), 200000u);
    size_t failures = 0;
    for (size_t at = log.find("accept failed"); at != std::string::npos; at = log.find("accept failed", at + 1)) ++failures;
    EXPECT_LE(failures, 3u) << log.substr(0, 2000);
    // Room again once some leave.
    for (int i = 0; i < 60; ++i) crowd[size_t(i)]->Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    WireClient late;
    ASSERT_TRUE(late.Connect("127.0.0.1", server.Port()));
    EXPECT_TRUE(late.WaitFor<Welcome>(2000));
}

// CPU seconds the process has used so far, from /proc.
double CpuSecondsOf(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 14 || i == 15) ticks += std::stod(field);
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

TEST_F(ServerTest, OutOfDescriptorsTheAcceptLoopWaitsAndLogsOnceASecond) {
    StartServer({"--plain", "--max-per-address", "1000"});
    // The limit drops under the running server, below what it planned for.
    rlimit had{};
    ASSERT_EQ(::prlimit(server.Pid(), RLIMIT_NOFILE, nullptr, &had), 0);
    rlimit few{24, had.rlim_max};
    ASSERT_EQ(::prlimit(server.Pid(), RLIMIT_NOFILE, &few, nullptr), 0);
    std::vector<std::unique_ptr<WireClient>> crowd;
    for (int i = 0; i < 40; ++i) {
        crowd.push_back(std::make_unique<WireClient>());
        crowd.back()->SetPlain(true);
        crowd.back()->Connect("127.0.0.1", server.Port(), 500);
    }
    const double before = CpuSecondsOf(server.Pid());
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const double used = CpuSecondsOf(server.Pid()) - before;
    EXPECT_LT(used, 0.5) << "the accept loop spins";
    const std::string log = server.Log();
    size_t failures = 0;
    for (size_t at = log.find("accept failed"); at != std::string::npos; at = log.find("accept failed", at + 1)) ++failures;
    EXPECT_GE(failures, 1u) << log.substr(0, 2000);
    EXPECT_LE(failures, 4u) << log.substr(0, 2000);
    EXPECT_NE(log.find("more since the last line"), std::string::npos) << log.substr(0, 2000);
    // Descriptors free again: the waiting connections get in.
    ASSERT_EQ(::prlimit(server.Pid(), RLIMIT_NOFILE, &had, nullptr), 0);
    for (int i = 0; i < 20; ++i) crowd[size_t(i)]->Close();
    size_t welcomed = 0;
    for (size_t i = 20; i < crowd.size(); ++i) welcomed += crowd[i]->WaitFor<Welcome>(3000).has_value();
    EXPECT_EQ(welcomed, crowd.size() - 20);
}

TEST_F(ServerTest, TricklingTalkedInClientTimesOut) {
    StartServer({"--keepalive-ms", "200"});
    WireClient trickler, good;
    Join(trickler, "1", "r");
    const uint16_t ig = Join(good, "2", "r");
    // A frame one byte at a time, slower than it could ever complete.
    const Bytes frame = Encode(SendChat{std::string(200, 'x')});
    std::optional<ByeReason> bye;
    for (size_t i = 0; i < 60 && i < frame.size(); ++i) {
        // Stop once the server has closed its side, so no reset overtakes its Bye.
        pollfd p{trickler.Fd(), POLLRDHUP, 0};
        if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLRDHUP | POLLHUP))) break;
        trickler.SendRaw(Bytes{frame[i]});
        good.Pump(50);  // answers its pings
        good.Backlog().clear();
    }
    EXPECT_TRUE(ClosedWithin(trickler, 3000, &bye));
    EXPECT_EQ(bye, ByeReason::Timeout);
    ExpectChatWorks(good, ig, good, "still here");
}

// ---- the admin socket's folder ------------------------------------------------------------------

TEST_F(ServerTest, AdminSocketOnlyInAPrivateFolder) {
    const std::string base = std::filesystem::temp_directory_path() / ("moneko-admin-dir-" + std::to_string(::getpid()));
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    // Someone else's idea of a shared folder: refused, and the message names it.
    const std::string loose = base + "/loose";
    ASSERT_EQ(::mkdir(loose.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(loose.c_str(), 0777), 0);
    EXPECT_FALSE(server.Start({"--admin-socket", loose + "/admin.sock"}));
    EXPECT_NE(server.Log().find(loose), std::string::npos) << server.Log();

    // The default place of a service, equally loose: refused as well.
    ServerProcess service;
    service.LeaveAdminSocketToServer();
    service.SetEnv("RUNTIME_DIRECTORY", loose);
    EXPECT_FALSE(service.Start());
    EXPECT_NE(service.Log().find(loose), std::string::npos) << service.Log();

    // Absent: made, private.
    const std::string fresh = base + "/fresh/run";
    StartServer({"--admin-socket", fresh + "/admin.sock"});
    struct stat st{};
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(server.Admin({"announce", "hello"}), "ok 0");
    server.Stop();
    std::filesystem::remove_all(base);
}

// ---- IPv6 --------------------------------------------------------------------------------------

TEST_F(ServerTest, Ipv6ClientsAreShownByTheirWholeAddress) {
    {
        int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_loopback;
        const bool usable = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        if (fd >= 0) ::close(fd);
        if (!usable) GTEST_SKIP() << "no IPv6 loopback here";
    }
    StartServer({"--address", "::", "--max-per-address", "1"});
    WireClient v6, v4;
    ASSERT_TRUE(v6.Connect("::1", server.Port()));
    ASSERT_TRUE(v6.WaitFor<Welcome>(2000));
    ASSERT_TRUE(v6.Call(TalkIn{0, 0x00020001, "100", "", "six", 0, 0})->status == ReplyStatus::Ok);
    ASSERT_TRUE(v6.Call(EnterRegion{0, "r", "1", kOrigin, 1})->status == ReplyStatus::Ok);
    // Its own allowance, not the IPv4 hosts' and not a shared one.
    Join(v4, "200", "r");
    auto present = v4.WaitFor<AvatarPresent>(2000);
    ASSERT_TRUE(present);
    EXPECT_EQ(present->avatar.userId, "00000000000000000000000000000001:100");
    WireClient second6;
    ASSERT_TRUE(second6.Connect("::1", server.Port()));
    std::optional<ByeReason> bye;
    EXPECT_TRUE(ClosedWithin(second6, 3000, &bye));
    EXPECT_EQ(bye, ByeReason::TooManyConnections);
    // A ban by IPv6 address reaches it.
    EXPECT_EQ(server.Admin({"ban", "::1"}), "ok 1");
    EXPECT_TRUE(ClosedWithin(v6, 3000, &bye));
    EXPECT_EQ(bye, ByeReason::Kicked);
    EXPECT_TRUE(v4.IsOpen());
}

// ---- moderation that sticks ----------------------------------------------------------------------

TEST_F(ServerTest, BansHoldAcrossReconnectsAndRestarts) {
    StartServer();
    WireClient a, b;
    const uint16_t ia = Join(a, "1", "r");
    Join(b, "2", "r");
    EXPECT_EQ(server.Admin({"ban", "999"}), "error no such client");
    EXPECT_EQ(server.Admin({"ban", "example.org"}), "error bad client id or address example.org");
    EXPECT_EQ(server.Admin({"ban", "10.9.8.7", "--minutes", "-3"}), "error bad minutes -3");
    EXPECT_EQ(server.Admin({"ban", "10.9.8.7", "--minutes", "90"}), "ok 0");
    // By client id: its address is banned, and every connection from there closes.
    EXPECT_EQ(server.Admin({"ban", std::to_string(ia)}), "ok 2");
    for (WireClient* c : {&a, &b}) {
        std::optional<ByeReason> bye;
        EXPECT_TRUE(ClosedWithin(*c, 3000, &bye));
        EXPECT_EQ(bye, ByeReason::Kicked);
    }
    auto refused = [&] {
        WireClient c;
        if (!c.Connect("127.0.0.1", server.Port())) return false;
        std::optional<ByeReason> bye;
        return ClosedWithin(c, 3000, &bye) && bye == ByeReason::Kicked;
    };
    EXPECT_TRUE(refused());
    const std::string list = server.AdminAll({"bans"});
    EXPECT_EQ(list.rfind("ok 2\n", 0), 0u) << list;
    EXPECT_NE(list.find("127.0.0.1 (7F000001) until unbanned"), std::string::npos) << list;
    EXPECT_NE(list.find("10.9.8.7 (0A090807) until 20"), std::string::npos) << list;

    server.Stop();
    StartServer();
    EXPECT_TRUE(refused());
    EXPECT_EQ(server.Admin({"unban", "10.0.0.1"}), "error not banned: 10.0.0.1");
    EXPECT_EQ(server.Admin({"unban", "127.0.0.1"}), "ok 1");
    WireClient back;
    Join(back, "1", "r");
    EXPECT_TRUE(back.IsOpen());
    server.Stop();
    StartServer();
    EXPECT_EQ(server.Admin({"bans"}), "ok 1");
}

TEST_F(ServerTest, ClosedRegionStaysClosedUntilOpened) {
    StartServer();
    WireClient a;
    Join(a, "1", "r1");
    EXPECT_EQ(server.Admin({"close-region", "r1"}), "ok 1");
    EXPECT_TRUE(a.WaitFor<RegionClosed>(2000));
    EXPECT_EQ(a.Call(EnterRegion{0, "r1", "1", kOrigin, 1})->status, ReplyStatus::Refused);
    EXPECT_EQ(a.Call(EnterRegion{0, "r2", "1", kOrigin, 1})->status, ReplyStatus::Ok);
    server.Stop();
    StartServer();
    WireClient b;
    Join(b, "2");
    EXPECT_EQ(b.Call(EnterRegion{0, "r1", "1", kOrigin, 1})->status, ReplyStatus::Refused);
    EXPECT_EQ(server.Admin({"open-region", "r1"}), "ok 1");
    EXPECT_EQ(server.Admin({"open-region", "r1"}), "error region not closed");
    EXPECT_EQ(b.Call(EnterRegion{0, "r1", "1", kOrigin, 1})->status, ReplyStatus::Ok);
}

// ---- help and messages -------------------------------------------------------------------------

TEST(ServerHelpTest, HelpGoesToStandardOutputWithoutADisplay) {
    const char* dir = std::getenv("MONEKO_BIN_DIR");
    const std::string binary = std::string(dir ? dir : ".") + "/moneko-server";
    auto run = [&](const std::string& args, int* status) {
        FILE* pipe = popen(("env -u DISPLAY -u WAYLAND_DISPLAY '" + binary + "' " + args + " 2>/dev/null").c_str(), "r");
        std::string out;
        char buffer[4096];
        size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        *status = pclose(pipe);
        return out;
    };
    int status = -1;
    const std::string help = run("--help", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(help.rfind("usage: moneko-server", 0), 0u) << help;
    for (const char* option : {"--address", "--port", "--admin-socket", "--data-dir", "--max-connections",
                               "--max-per-address", "--keepalive-ms", "--send-queue-bytes", "--cluster"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_NE(help.find("default 4096"), std::string::npos) << help;
    const std::string admin = run("admin --help", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(admin.rfind("usage: moneko-server admin", 0), 0u) << admin;
    for (const char* command : {"announce", "close-region", "open-region", "kick", "ban", "unban", "bans"})
        EXPECT_NE(admin.find(command), std::string::npos) << command;
}

TEST(ServerHelpTest, ErrorsNameTheFileOrAddress) {
    const char* dir = std::getenv("MONEKO_BIN_DIR");
    const std::string binary = std::string(dir ? dir : ".") + "/moneko-server";
    const std::string folder = std::filesystem::temp_directory_path() / ("moneko-errors-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    // Everything it says, standard error included, and how it ended.
    auto run = [&](const std::string& args, int* status) {
        FILE* pipe = popen(("cd '" + folder + "' && '" + binary + "' " + args + " 2>&1").c_str(), "r");
        std::string out;
        char buffer[4096];
        size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        *status = pclose(pipe);
        return out;
    };
    const std::string common = "--port 0 --plain --data-dir '" + folder + "/data' --admin-socket '" + folder + "/run/a.sock' ";
    int status = 0;
    std::string said = run(common + "--address 300.1.2.3", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(said.find("300.1.2.3"), std::string::npos) << said;
    said = run(common + "--port-file /nonexistent/folder/port", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(said.find("/nonexistent/folder/port"), std::string::npos) << said;
    said = run("admin --socket '" + folder + "/nobody.sock' bans", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(said.find(folder + "/nobody.sock"), std::string::npos) << said;
    said = run("admin --port 99999 bans", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(said.find("99999"), std::string::npos) << said;
    std::filesystem::remove_all(folder);
}

TEST(ServerUnitTest, SystemdUnitIsValidAndConfinesTheServer) {
    const char* source = std::getenv("MONEKO_SOURCE_DIR");
    ASSERT_TRUE(source);
    std::ifstream in(std::string(source) + "/server/systemd/moneko-server.service");
    std::stringstream text;
    text << in.rdbuf();
    std::string unit = text.str();
    ASSERT_FALSE(unit.empty());
    // Where the admin socket and the data folder come from, and who runs it.
    for (const char* line : {"RuntimeDirectory=moneko-server", "RuntimeDirectoryMode=0700", "StateDirectory=moneko-server",
                             "StateDirectoryMode=0700", "User=moneko", "NoNewPrivileges=yes", "ProtectSystem=strict"})
        EXPECT_NE(unit.find(std::string("\n") + line + "\n"), std::string::npos) << line;
    if (std::system("command -v systemd-analyze >/dev/null 2>&1") != 0) GTEST_SKIP() << "no systemd-analyze here";
    // Verified against a binary that exists here.
    const std::string at = "/usr/bin/moneko-server";
    unit.replace(unit.find(at), at.size(), std::string(std::getenv("MONEKO_BIN_DIR")) + "/moneko-server");
    const std::string copy = std::filesystem::temp_directory_path() / ("moneko-server-" + std::to_string(::getpid()) + ".service");
    std::ofstream(copy) << unit;
    FILE* pipe = popen(("systemd-analyze verify '" + copy + "' 2>&1").c_str(), "r");
    std::string complaints;
    char buffer[512];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) complaints.append(buffer, n);
    const int status = pclose(pipe);
    std::filesystem::remove(copy);
    EXPECT_EQ(status, 0) << complaints;
    EXPECT_EQ(complaints, "");
}

}  // namespace
}  // namespace server
