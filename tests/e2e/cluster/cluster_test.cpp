// Two or three moneko-server nodes joined through a real nats-server, with real clients on
// loopback: one world across nodes, and what happens when a node or NATS goes away.
#include "server/bot/wire_client.h"
#include "server/server_process.h"
#include "tests/e2e/cluster/nats_server_process.h"

#include <gtest/gtest.h>
#include <nats/nats.h>

#include <chrono>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <thread>

namespace e2e {
namespace {

using namespace protocol;
using bot::WireClient;
using server::ServerProcess;

const Pose kOrigin{0, 0, 0, 0, 0, -1};

class ClusterTest : public ::testing::Test {
protected:
    void StartCluster(int nodes, std::vector<std::string> extraArgs = {}) {
        ASSERT_TRUE(nats.Start()) << "nats-server did not start";
        extraArgs.insert(extraArgs.begin(), {"--cluster", nats.Url()});
        for (int i = 0; i < nodes; ++i) {
            node.push_back(std::make_unique<ServerProcess>());
            ASSERT_TRUE(node.back()->Start(extraArgs)) << node.back()->Log();
        }
    }

    uint16_t Join(WireClient& c, ServerProcess& server, const std::string& user, const std::string& region = "",
                  const std::string& name = "n", const Pose& at = kOrigin) {
        EXPECT_TRUE(c.Connect("127.0.0.1", server.Port()));
        EXPECT_TRUE(c.WaitFor<Welcome>(2000));
        auto r = c.Call(TalkIn{0, 0x00020001, user, "", name, 0, 0});
        EXPECT_TRUE(r && r->status == ReplyStatus::Ok) << server.Log();
        if (!region.empty()) {
            auto e = c.Call(EnterRegion{0, region, "1", at, 1});
            EXPECT_TRUE(e && e->status == ReplyStatus::Ok);
        }
        return r ? r->clientId : 0;
    }

    // What a node says reaches the others a moment later; a test that acts on another node's
    // news before a client could have seen it waits that moment out.
    static void Settle() { std::this_thread::sleep_for(std::chrono::milliseconds(200)); }

    template <typename T>
    static std::optional<T> WaitFor(WireClient& c, const std::function<bool(const T&)>& match, int ms = 3000) {
        auto m = c.WaitFor([&](const Message& m) {
            auto* t = std::get_if<T>(&m);
            return t && match(*t);
        }, ms);
        if (!m) return std::nullopt;
        return std::get<T>(*m);
    }

    static std::string NodeName(const ServerProcess& server) {
        std::smatch match;
        const std::string log = server.Log();
        return std::regex_search(log, match, std::regex("node ([0-9a-f]{16}) joined")) ? match[1].str() : "";
    }

    // Who holds which key of the id bucket, read straight from NATS.
    std::map<std::string, std::string> Leases() {
        std::map<std::string, std::string> out;
        natsConnection* nc = nullptr;
        jsCtx* js = nullptr;
        kvStore* kv = nullptr;
        if (natsConnection_ConnectTo(&nc, nats.Url().c_str()) == NATS_OK &&
            natsConnection_JetStream(&js, nc, nullptr) == NATS_OK && js_KeyValue(&kv, js, "moneko-ids") == NATS_OK) {
            kvKeysList keys{};
            if (kvStore_Keys(&keys, kv, nullptr) == NATS_OK) {
                for (int i = 0; i < keys.Count; ++i) {
                    kvEntry* e = nullptr;
                    if (kvStore_Get(&e, kv, keys.Keys[i]) == NATS_OK)
                        out[keys.Keys[i]] = std::string(static_cast<const char*>(kvEntry_Value(e)), kvEntry_ValueLen(e));
                    if (e) kvEntry_Destroy(e);
                }
                kvKeysList_Destroy(&keys);
            }
        }
        if (kv) kvStore_Destroy(kv);
        if (js) jsCtx_Destroy(js);
        if (nc) natsConnection_Destroy(nc);
        return out;
    }

    NatsServerProcess nats;
    std::vector<std::unique_ptr<ServerProcess>> node;
};

TEST_F(ClusterTest, PresenceChatActionsAndPosesCrossNodes) {
    StartCluster(2);
    WireClient a, b;
    const uint16_t ia = Join(a, *node[0], "100", "room", "alice");
    Settle();
    const uint16_t ib = Join(b, *node[1], "200", "room", "bob");
    ASSERT_NE(ia, ib);

    auto present = b.WaitFor<AvatarPresent>(3000);
    ASSERT_TRUE(present) << node[0]->Log() << "----\n" << node[1]->Log();
    EXPECT_EQ(present->avatar.clientId, ia);
    EXPECT_EQ(present->avatar.userId, "7F000001:100");
    EXPECT_EQ(present->avatar.avatarName, "alice");
    auto entered = a.WaitFor<AvatarEntered>(3000);
    ASSERT_TRUE(entered) << node[0]->Log();
    EXPECT_EQ(entered->avatar.clientId, ib);
    EXPECT_EQ(entered->avatar.userId, "7F000001:200");

    // Chat reaches the sender and the other node; a sender's lines keep their order.
    for (int i = 0; i < 20; ++i) {
        b.Send(SendChat{"line " + std::to_string(i)});
        if (i % 5 == 0) b.Send(SendAction{"a0" + std::to_string(i / 5)});
    }
    for (WireClient* c : {&a, &b}) {
        int nextLine = 0, nextAction = 0;
        while (nextLine < 20) {
            auto m = c->WaitFor([](const Message& m) {
                return std::holds_alternative<ChatReceived>(m) || std::holds_alternative<AvatarActed>(m);
            }, 3000);
            ASSERT_TRUE(m) << "after line " << nextLine;
            if (auto* chat = std::get_if<ChatReceived>(&*m)) {
                EXPECT_EQ(*chat, (ChatReceived{ib, "line " + std::to_string(nextLine)}));
                ++nextLine;
            } else {
                EXPECT_EQ(std::get<AvatarActed>(*m), (AvatarActed{ib, "a0" + std::to_string(nextAction)}));
                EXPECT_EQ(nextLine, nextAction * 5 + 1);  // the action came right after its line
                ++nextAction;
            }
        }
    }

    b.Send(SendPose{Pose{5, 0, 5, 0, 0, -1}});
    EXPECT_EQ(a.WaitFor<AvatarMoved>(3000), (AvatarMoved{ib, Pose{5, 0, 5, 0, 0, -1}}));
    // A third participant entering later sees the pose as it is now.
    WireClient c;
    Join(c, *node[0], "300", "room");
    std::set<uint16_t> seen;
    while (auto p = c.WaitFor<AvatarPresent>(1000)) {
        seen.insert(p->avatar.clientId);
        if (p->avatar.clientId == ib) {
            EXPECT_EQ(p->avatar.pose, (Pose{5, 0, 5, 0, 0, -1}));
        }
    }
    EXPECT_EQ(seen, (std::set<uint16_t>{ia, ib}));

    ASSERT_EQ(b.Call(LeaveRegion{})->status, ReplyStatus::Ok);
    EXPECT_EQ(a.WaitFor<AvatarLeft>(3000), AvatarLeft{ib});
    b.Call(EnterRegion{0, "room", "1", kOrigin, 1});
    ASSERT_TRUE(WaitFor<AvatarEntered>(a, [&](const AvatarEntered& e) { return e.avatar.clientId == ib; }));
    b.Close();  // dropping the connection counts as leaving, on every node
    EXPECT_EQ(a.WaitFor<AvatarLeft>(3000), AvatarLeft{ib});
}

TEST_F(ClusterTest, PosesFromAnotherNodeAreFilteredByNearnessLikeLocalOnes) {
    StartCluster(2, {"--near-avatars", "1", "--far-pose-ms", "1500"});
    auto step = [](float x, int i) { return Pose{x, 0, 0, float(i), 0, -1}; };
    WireClient o, nearby, far, local;
    Join(o, *node[0], "1", "crowd", "o", step(0, 0));
    Settle();
    const uint16_t in = Join(nearby, *node[1], "2", "crowd", "near", step(1000, 0));
    const uint16_t ifar = Join(far, *node[1], "3", "crowd", "far", step(80000, 0));
    // On o's own node and right beside the far one: it hears the far one at full rate.
    const uint16_t il = Join(local, *node[0], "4", "crowd", "local", step(79000, 0));
    Settle();
    o.Pump(0);
    o.Backlog().clear();
    local.Pump(0);
    local.Backlog().clear();
    for (int i = 1; i <= 20; ++i) {
        nearby.Send(SendPose{step(1000, i)});
        far.Send(SendPose{step(80000, i)});
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    auto got = o.TakeMovesWithin(150);
    EXPECT_GE(got[in].size(), 15u) << node[0]->Log();
    EXPECT_LE(got[ifar].size(), 2u);
    auto beside = local.TakeMovesWithin(150);
    EXPECT_GE(beside[ifar].size(), 15u);
    EXPECT_LE(beside[in].size(), 2u);
    // The far one's last step reaches o within a far period.
    auto farSteps = got[ifar];
    auto later = o.TakeMovesWithin(1700);
    farSteps.insert(farSteps.end(), later[ifar].begin(), later[ifar].end());
    ASSERT_FALSE(farSteps.empty());
    EXPECT_EQ(farSteps.back(), step(80000, 20));
    (void)il;
}

TEST_F(ClusterTest, ClientIdsStayUniqueAcrossThreeNodes) {
    StartCluster(3);
    std::vector<std::unique_ptr<WireClient>> clients;
    std::set<uint16_t> ids;
    for (int i = 0; i < 30; ++i) {
        clients.push_back(std::make_unique<WireClient>());
        const uint16_t id = Join(*clients.back(), *node[i % 3], std::to_string(i));
        EXPECT_NE(id, 0);
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " given twice";
    }
    // Each node holds its own leases and nobody else's.
    auto leases = Leases();
    std::set<std::string> owners;
    for (const auto& [key, owner] : leases)
        if (key.rfind("block.", 0) == 0) owners.insert(owner);
    EXPECT_EQ(owners, (std::set<std::string>{NodeName(*node[0]), NodeName(*node[1]), NodeName(*node[2])}));
}

TEST_F(ClusterTest, EspAcrossNodesAndRegions) {
    StartCluster(2);
    WireClient a, b;
    const uint16_t ia = Join(a, *node[0], "100", "r1", "alice");
    const uint16_t ib = Join(b, *node[1], "200", "r2", "bob");
    Settle();

    auto bad = a.Call(OpenEsp{0, 4242, "", ""});
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, ReplyStatus::NotConnected);

    auto open = a.Call(OpenEsp{0, ib, "", ""});
    ASSERT_TRUE(open);
    EXPECT_EQ(open->status, ReplyStatus::Ok);
    EXPECT_EQ(a.WaitFor<EspRequested>(3000), (EspRequested{ib, "7F000001:200", "bob"}));
    EXPECT_EQ(b.WaitFor<EspRequested>(3000), (EspRequested{ia, "7F000001:100", "alice"}));
    a.Send(SendEsp{ib, "hello"});
    b.Send(SendEsp{ia, "hi"});
    EXPECT_EQ(b.WaitFor<EspReceived>(3000), (EspReceived{ia, "hello"}));
    EXPECT_EQ(a.WaitFor<EspReceived>(3000), (EspReceived{ib, "hi"}));

    // A refusal text followed by the refusing host's close both reach the requester, in order.
    b.Send(SendEsp{ia, "busy"});
    b.Send(EspAnswer{ia, false});
    EXPECT_EQ(a.WaitFor<EspReceived>(3000), (EspReceived{ib, "busy"}));
    EXPECT_EQ(a.WaitFor<EspClosed>(3000), EspClosed{ib});
    // Closed pairs carry nothing more.
    a.Send(SendEsp{ib, "anyone?"});
    EXPECT_FALSE(b.WaitFor<EspReceived>(500));

    ASSERT_EQ(b.Call(OpenEsp{0, ia, "", ""})->status, ReplyStatus::Ok);
    ASSERT_TRUE(a.WaitFor<EspRequested>(3000));
    ASSERT_EQ(a.Call(CloseEsp{0, ib, ""})->status, ReplyStatus::Ok);
    EXPECT_EQ(b.WaitFor<EspClosed>(3000), EspClosed{ia});

    // A partner who goes away closes the pair on the other node.
    ASSERT_EQ(a.Call(OpenEsp{0, ib, "", ""})->status, ReplyStatus::Ok);
    ASSERT_TRUE(b.WaitFor<EspRequested>(3000));
    b.Close();
    EXPECT_EQ(a.WaitFor<EspClosed>(3000), EspClosed{ib});
}

TEST_F(ClusterTest, AdministrationReachesEveryNode) {
    StartCluster(2);
    WireClient a, b, c;
    const uint16_t ia = Join(a, *node[0], "100", "r1");
    const uint16_t ib = Join(b, *node[1], "200", "r2");
    Join(c, *node[1], "300", "r1");
    ASSERT_TRUE(WaitFor<AvatarEntered>(a, [](const AvatarEntered&) { return true; }));

    EXPECT_EQ(node[0]->Admin({"announce", "maintenance at noon"}), "ok 3");
    for (WireClient* w : {&a, &b, &c}) EXPECT_EQ(w->WaitFor<AdminMessage>(3000), AdminMessage{"maintenance at noon"});
    EXPECT_EQ(node[0]->Admin({"announce", "--region", "r2", "r2 only"}), "ok 1");
    EXPECT_EQ(b.WaitFor<AdminMessage>(3000), AdminMessage{"r2 only"});
    EXPECT_FALSE(a.WaitFor<AdminMessage>(300));
    EXPECT_FALSE(c.WaitFor<AdminMessage>(300));

    // Kicking from the other node's admin socket.
    EXPECT_EQ(node[0]->Admin({"kick", std::to_string(ib)}), "ok 1");
    auto bye = b.WaitFor<Bye>(3000);
    ASSERT_TRUE(bye);
    EXPECT_EQ(bye->reason, ByeReason::Kicked);

    EXPECT_EQ(node[1]->Admin({"close-region", "r1"}), "ok 2");
    EXPECT_EQ(a.WaitFor<RegionClosed>(3000), RegionClosed{0});
    EXPECT_EQ(c.WaitFor<RegionClosed>(3000), RegionClosed{0});
    // It stays closed on every node until opened again.
    EXPECT_EQ(a.Call(EnterRegion{0, "r1", "1", kOrigin, 1})->status, ReplyStatus::Refused);
    EXPECT_EQ(node[0]->Admin({"open-region", "r1"}), "ok 1");
    Settle();
    EXPECT_EQ(node[1]->Admin({"open-region", "r1"}), "error region not closed");
    // The region is empty everywhere afterwards: a newcomer sees nobody.
    ASSERT_EQ(a.Call(EnterRegion{0, "r1", "1", kOrigin, 1})->status, ReplyStatus::Ok);
    EXPECT_FALSE(a.WaitFor<AvatarPresent>(500));
    (void)ia;
}

TEST_F(ClusterTest, BansReachEveryNode) {
    StartCluster(2);
    WireClient a, b;
    Join(a, *node[0], "100", "room");
    const uint16_t ib = Join(b, *node[1], "200", "room");
    ASSERT_TRUE(a.WaitFor<AvatarEntered>(3000));
    // Banned by its id on the node it is not on: its address is refused everywhere.
    EXPECT_EQ(node[0]->Admin({"ban", std::to_string(ib)}), "ok 1");  // a, here, shares the address
    for (WireClient* c : {&a, &b}) {
        auto bye = c->WaitFor<Bye>(3000);
        ASSERT_TRUE(bye);
        EXPECT_EQ(bye->reason, ByeReason::Kicked);
    }
    Settle();
    WireClient again;
    ASSERT_TRUE(again.Connect("127.0.0.1", node[1]->Port()));
    auto bye = again.WaitFor<Bye>(3000);
    ASSERT_TRUE(bye);
    EXPECT_EQ(bye->reason, ByeReason::Kicked);
    EXPECT_EQ(node[1]->Admin({"bans"}), "ok 1");
    EXPECT_EQ(node[1]->Admin({"unban", "127.0.0.1"}), "ok 1");
    Settle();
    EXPECT_EQ(node[0]->Admin({"bans"}), "ok 0");
    WireClient back;
    Join(back, *node[0], "100", "room");
    EXPECT_TRUE(back.IsOpen());
}

TEST_F(ClusterTest, NodesReachNatsOverTls) {
    // NATS with a certificate of its own for 127.0.0.1, which the nodes are told to trust.
    ASSERT_TRUE(nats.Start());  // makes the folder; restarted below with TLS
    nats.Stop();
    const std::string cert = nats.Folder() + "/nats-cert.pem", key = nats.Folder() + "/nats-key.pem";
    const std::string make = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj /CN=nats "
                             "-addext subjectAltName=IP:127.0.0.1 -keyout '" + key + "' -out '" + cert + "' 2>/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    nats.UseTls(cert, key);
    ASSERT_TRUE(nats.Start());
    ASSERT_EQ(nats.Url().rfind("tls://", 0), 0u);

    // Without being told whom to trust, a node refuses NATS's certificate and says where it went.
    ServerProcess doubter;
    EXPECT_FALSE(doubter.Start({"--cluster", nats.Url()}));
    EXPECT_NE(doubter.Log().find(nats.Url()), std::string::npos) << doubter.Log();

    for (int i = 0; i < 2; ++i) {
        node.push_back(std::make_unique<ServerProcess>());
        ASSERT_TRUE(node.back()->Start({"--cluster", nats.Url(), "--cluster-ca", cert})) << node.back()->Log();
    }
    WireClient a, b;
    const uint16_t ia = Join(a, *node[0], "100", "room");
    Join(b, *node[1], "200", "room");
    EXPECT_TRUE(b.WaitFor<AvatarPresent>(3000));
    ASSERT_TRUE(a.Send(SendChat{"over tls"}));
    auto chat = b.WaitFor<ChatReceived>(3000);
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->clientId, ia);
}

TEST_F(ClusterTest, KilledNodesParticipantsLeaveAndTheirIdsAreFreed) {
    StartCluster(2);
    WireClient a, b;
    const uint16_t ia = Join(a, *node[0], "100", "room");
    const uint16_t ib = Join(b, *node[1], "200", "room");
    ASSERT_TRUE(a.WaitFor<AvatarEntered>(3000));
    ASSERT_EQ(a.Call(OpenEsp{0, ib, "", ""})->status, ReplyStatus::Ok);
    const std::string dead = NodeName(*node[1]);
    ASSERT_FALSE(dead.empty());
    bool held = false;
    for (const auto& [key, owner] : Leases()) held = held || owner == dead;
    ASSERT_TRUE(held);

    const auto killedAt = std::chrono::steady_clock::now();
    node[1]->Kill();
    EXPECT_EQ(a.WaitFor<AvatarLeft>(6000), AvatarLeft{ib});
    EXPECT_EQ(a.WaitFor<EspClosed>(1000), EspClosed{ib});
    EXPECT_LT(std::chrono::steady_clock::now() - killedAt, std::chrono::seconds(6));
    EXPECT_NE(node[0]->Log().find("node " + dead + " silent"), std::string::npos) << node[0]->Log();

    // Its leases expire, so its ids can be given again.
    bool freed = false;
    for (int i = 0; i < 40 && !freed; ++i) {
        freed = true;
        for (const auto& [key, owner] : Leases()) freed = freed && owner != dead;
        if (!freed) std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    EXPECT_TRUE(freed);

    // The survivor keeps serving, and a restarted node joins the same world.
    ServerProcess again;
    ASSERT_TRUE(again.Start({"--cluster", nats.Url()})) << again.Log();
    WireClient d;
    const uint16_t id = Join(d, again, "400", "room");
    EXPECT_NE(id, ia);
    auto present = d.WaitFor<AvatarPresent>(3000);
    ASSERT_TRUE(present);
    EXPECT_EQ(present->avatar.clientId, ia);
    EXPECT_FALSE(d.WaitFor<AvatarPresent>(300));  // the dead node's participant is not among them
    a.Send(SendChat{"still here"});
    EXPECT_EQ(d.WaitFor<ChatReceived>(3000), (ChatReceived{ia, "still here"}));
}

TEST_F(ClusterTest, NatsOutageIsLoggedAndTheNodesRecover) {
    StartCluster(2);
    WireClient a, b, a2;
    const uint16_t ia = Join(a, *node[0], "100", "room");
    const uint16_t ib = Join(b, *node[1], "200", "room");
    const uint16_t ia2 = Join(a2, *node[0], "101", "room");
    ASSERT_TRUE(WaitFor<AvatarEntered>(a, [&](const AvatarEntered& e) { return e.avatar.clientId == ia2; }));
    Settle();

    nats.Stop();
    // Each node goes on alone: the other node's participant leaves, local chat keeps working.
    EXPECT_EQ(a.WaitFor<AvatarLeft>(8000), AvatarLeft{ib}) << node[0]->Log();
    EXPECT_EQ(b.WaitFor<AvatarLeft>(8000), AvatarLeft{ia});
    a2.Send(SendChat{"alone"});
    EXPECT_EQ(a.WaitFor<ChatReceived>(3000), (ChatReceived{ia2, "alone"}));
    EXPECT_NE(node[0]->Log().find("lost the connection to NATS"), std::string::npos) << node[0]->Log();

    ASSERT_TRUE(nats.Start());
    auto back = WaitFor<AvatarEntered>(a, [&](const AvatarEntered& e) { return e.avatar.clientId == ib; }, 10000);
    EXPECT_TRUE(back) << node[0]->Log();
    EXPECT_TRUE(WaitFor<AvatarEntered>(b, [&](const AvatarEntered& e) { return e.avatar.clientId == ia; }, 10000));
    // The client library may hand over messages before it reports the reconnection itself.
    for (int i = 0; i < 50 && node[0]->Log().find("reconnected to NATS") == std::string::npos; ++i) Settle();
    EXPECT_NE(node[0]->Log().find("reconnected to NATS"), std::string::npos) << node[0]->Log();
    Settle();
    b.Send(SendChat{"together again"});
    EXPECT_EQ(a.WaitFor<ChatReceived>(5000), (ChatReceived{ib, "together again"})) << node[0]->Log();
    // New arrivals get ids again once the leases are confirmed anew (the restarted NATS lost
    // them with its memory).
    bool welcomed = false;
    for (int i = 0; i < 50 && !welcomed; ++i) {
        WireClient c;
        ASSERT_TRUE(c.Connect("127.0.0.1", node[1]->Port()));
        auto r = c.Call(TalkIn{0, 0x00020001, "300", "", "n", 0, 0});
        welcomed = r && r->status == ReplyStatus::Ok;
        if (!welcomed) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(welcomed) << node[1]->Log();
}

}  // namespace
}  // namespace e2e
