// The communication control against a real moneko-server started by the test.
#include "controls/communication/communication_ids.h"
#include "controls/communication/server_pins.h"
#include "controls/communication/tesk_communication_ctrl.h"
#include "platform/com/control_site.h"
#include "platform/com/module_loader.h"
#include "platform/text/cp932.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "server/server_process.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

namespace communication {
namespace {

using platform::com::DispatchKind;
using platform::com::HResult;
using platform::com::Variant;

struct Event {
    int32_t dispid;
    std::vector<Variant> args;
};

// Records events; a handler per dispid may act like a host would. Flags any event that
// arrives while another handler or a test's call is still running.
class HostSink : public platform::com::EventSink {
public:
    void OnEvent(int32_t dispid, const std::vector<Variant>& args) override {
        if (busy) nested = true;
        busy = true;
        events.push_back({dispid, args});
        if (auto it = handlers.find(dispid); it != handlers.end()) it->second(args);
        busy = false;
    }
    const Event* Find(int32_t dispid, size_t skip = 0) const {
        for (const auto& e : events)
            if (e.dispid == dispid && skip-- == 0) return &e;
        return nullptr;
    }
    size_t Count(int32_t dispid) const {
        size_t n = 0;
        for (const auto& e : events) n += e.dispid == dispid;
        return n;
    }
    std::vector<Event> events;
    std::map<int32_t, std::function<void(const std::vector<Variant>&)>> handlers;
    bool busy = false;
    bool nested = false;
};

bool WaitUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

const protocol::Pose kEntry{0, 0, 0, 0, 0, -1};

// The reason the control gives for its last ServerDisconnected, read as a host reads it.
int32_t Reason(TeskCommunicationCtrl& c) {
    Variant v;
    c.Invoke(kDisconnectReason, DispatchKind::PropertyGet, {}, &v);
    return v.AsI4();
}

class CommunicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Pinned certificates go to a settings file of the test's own.
        qputenv("MONEKO_REGISTRY", (registryDir.path() + "/registry.reg").toUtf8());
        ASSERT_TRUE(server.Start()) << server.Log();
        a.Advise(&sa);
        b.Advise(&sb);
    }
    // The host's entry sequence; returns the client id.
    int16_t Visit(TeskCommunicationCtrl& c, const std::string& user, const std::string& name,
                  const std::string& region) {
        EXPECT_TRUE(c.OpenServer(server.Port(), "127.0.0.1"));
        EXPECT_TRUE(c.TalkIn(0x00020001, user, "", name, 0, 0));
        EXPECT_TRUE(c.EnterRegion(region, "2", kEntry, 1));
        return c.ClientId();
    }
    // The fingerprint of the certificate the server made for itself, read from its file.
    std::string ServerFingerprint() const {
        const auto certs = QSslCertificate::fromPath(QString::fromStdString(server.Folder() + "/data/tls-cert.pem"));
        if (certs.isEmpty()) return "";
        return certs.first().digest(QCryptographicHash::Sha256).toHex(':').toUpper().toStdString();
    }
    QTemporaryDir registryDir;
    server::ServerProcess server;
    TeskCommunicationCtrl a, b;
    HostSink sa, sb;
};

TEST_F(CommunicationTest, FirstCertificateIsPinnedAndAChangedOneRefusedWithBothFingerprints) {
    platform::ui::RecordingModalSeam seam;
    platform::ui::ScopedModalSeam scope(seam);
    const std::string first = ServerFingerprint();
    ASSERT_FALSE(first.empty());
    EXPECT_FALSE(ServerPins::Pinned("127.0.0.1", server.Port()));
    Visit(a, "1", "n", "r");
    EXPECT_EQ(ServerPins::Pinned("127.0.0.1", server.Port()), first);
    a.CloseServer();
    // Same certificate: connects again without a word.
    EXPECT_TRUE(a.OpenServer(server.Port(), "127.0.0.1"));
    a.CloseServer();
    EXPECT_TRUE(seam.Calls().empty());

    // The same server address with a new certificate: refused, and the user is told.
    const uint16_t port = server.Port();
    server.Stop();
    std::filesystem::remove(server.Folder() + "/data/tls-cert.pem");
    std::filesystem::remove(server.Folder() + "/data/tls-key.pem");
    ASSERT_TRUE(server.Start({"--port", std::to_string(port)})) << server.Log();
    const std::string second = ServerFingerprint();
    ASSERT_NE(second, first);
    EXPECT_FALSE(a.OpenServer(port, "127.0.0.1"));
    EXPECT_TRUE(a.RefusedCertificate());
    ASSERT_EQ(seam.Calls().size(), 1u);
    const std::string text = seam.Calls()[0].text;
    EXPECT_NE(text.find("127.0.0.1:" + std::to_string(port)), std::string::npos);
    EXPECT_NE(text.find(first), std::string::npos);
    EXPECT_NE(text.find(second), std::string::npos);
    EXPECT_NE(text.find(platform::Sjis("証明書")), std::string::npos);
    EXPECT_EQ(ServerPins::Pinned("127.0.0.1", port), first);  // the old pin stays
    EXPECT_FALSE(a.TalkIn(0x00020001, "1", "", "n", 0, 0));    // nothing is open
    EXPECT_FALSE(sa.Find(kServerDisconnected));
    // Another server elsewhere is a server of its own.
    server::ServerProcess other;
    ASSERT_TRUE(other.Start()) << other.Log();
    EXPECT_TRUE(b.OpenServer(other.Port(), "127.0.0.1"));
    // Forgotten on purpose, the new certificate is taken.
    ServerPins::Forget("127.0.0.1", port);
    EXPECT_TRUE(a.OpenServer(port, "127.0.0.1"));
    EXPECT_FALSE(a.RefusedCertificate());
    EXPECT_EQ(ServerPins::Pinned("127.0.0.1", port), second);
    EXPECT_EQ(seam.Calls().size(), 1u);
}

TEST_F(CommunicationTest, PlainOnBothEndsForDebugging) {
    server::ServerProcess plainServer;
    ASSERT_TRUE(plainServer.Start({"--plain"})) << plainServer.Log();
    // A TLS client does not talk to a plain server.
    EXPECT_FALSE(a.OpenServer(plainServer.Port(), "127.0.0.1"));
    qputenv("MONEKO_PLAIN", "1");
    TeskCommunicationCtrl plain;
    qunsetenv("MONEKO_PLAIN");
    HostSink sink;
    plain.Advise(&sink);
    EXPECT_TRUE(plain.OpenServer(plainServer.Port(), "127.0.0.1"));
    EXPECT_TRUE(plain.TalkIn(0x00020001, "1", "", "n", 0, 0));
    EXPECT_TRUE(plain.EnterRegion("r", "1", kEntry, 1));
    plain.SendChatString("in clear");
    ASSERT_TRUE(WaitUntil([&] { return sink.Find(kChatStringReceived) != nullptr; }));
    EXPECT_FALSE(ServerPins::Pinned("127.0.0.1", plainServer.Port()));
    // Nor a plain client to a TLS server.
    plain.Invoke(kCallTimeout, DispatchKind::PropertyPut, {Variant::I4(1000)}, nullptr);
    EXPECT_FALSE(plain.OpenServer(server.Port(), "127.0.0.1"));
}

TEST_F(CommunicationTest, AVisitWithEveryRegionEvent) {
    const int16_t ia = Visit(a, "111", "\x82\xA0", "http://h/r/a.wrl");
    EXPECT_GT(ia, 0);
    const int16_t ib = Visit(b, "222", "bob", "http://h/r/a.wrl");
    EXPECT_NE(ia, ib);

    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kAvatarEntered) && sb.Find(kAvatarPresent); }));
    const auto& entered = sa.Find(kAvatarEntered)->args;
    ASSERT_EQ(entered.size(), 11u);
    EXPECT_EQ(entered[0], Variant::I2(ib));
    EXPECT_EQ(entered[1], Variant::Bstr("7F000001:222"));
    EXPECT_EQ(entered[2], Variant::Bstr("bob"));
    EXPECT_EQ(entered[3], Variant::Bstr("2"));
    EXPECT_EQ(entered[4], Variant::I2(1));
    EXPECT_EQ(entered[10], Variant::R4(-1));
    EXPECT_EQ(sb.Find(kAvatarPresent)->args[2], Variant::Bstr("\x82\xA0"));

    b.SendChatString("\x83\x5C hello");
    b.SendAvatarAction("a07");
    b.SendAvatarPose({100, 0, 200, 0, 0, 1});
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kChatStringReceived) && sb.Find(kChatStringReceived) &&
                                       sa.Find(kAvatarActed) && sa.Find(kAvatarMoved); }));
    EXPECT_EQ(sa.Find(kChatStringReceived)->args, (std::vector<Variant>{Variant::I2(ib), Variant::Bstr("\x83\x5C hello")}));
    EXPECT_EQ(sb.Find(kAvatarActed)->args[1], Variant::Bstr("a07"));  // the sender sees its own gesture
    EXPECT_EQ(sa.Find(kAvatarMoved)->args[1], Variant::R4(100));
    EXPECT_EQ(sa.Find(kAvatarMoved)->args[3], Variant::R4(200));
    EXPECT_FALSE(sb.Find(kAvatarMoved));  // own pose is not echoed

    EXPECT_TRUE(b.LeaveRegion());
    EXPECT_TRUE(b.TalkOut());
    EXPECT_TRUE(b.CloseServer());
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kAvatarLeft); }));
    EXPECT_EQ(sa.Find(kAvatarLeft)->args, std::vector<Variant>{Variant::I2(ib)});
    EXPECT_FALSE(sa.nested);
    EXPECT_FALSE(sb.Find(kServerDisconnected));
}

TEST_F(CommunicationTest, AnOverlongChatTextIsCutBeforeAReferenceItWouldSplit) {
    Visit(a, "111", "amy", "http://h/r/a.wrl");
    const int16_t ib = Visit(b, "222", "bob", "http://h/r/a.wrl");
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kAvatarEntered); }));
    // 1,020 bytes, then a 9-byte reference that would end past the 1,024-byte limit.
    b.SendChatString(std::string(1020, 'a') + "&#x1F600;" + "b");
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kChatStringReceived); }));
    EXPECT_EQ(sa.Find(kChatStringReceived)->args,
              (std::vector<Variant>{Variant::I2(ib), Variant::Bstr(std::string(1020, 'a'))}));
}

TEST_F(CommunicationTest, CallsFailCleanlyWithoutAServer) {
    EXPECT_FALSE(a.TalkIn(0x00020001, "1", "", "n", 0, 0));
    EXPECT_FALSE(a.EnterRegion("r", "1", kEntry, 1));
    EXPECT_FALSE(a.LeaveRegion());
    EXPECT_FALSE(a.TalkOut());
    EXPECT_FALSE(a.OpenEspConnection("x", 1, "n"));
    EXPECT_TRUE(a.CloseServer());
    server.Stop();
    EXPECT_FALSE(a.OpenServer(server.Port(), "127.0.0.1"));
    EXPECT_FALSE(a.OpenServer(70000, "127.0.0.1"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(sa.events.empty());  // a failed open is not a lost session
}

TEST_F(CommunicationTest, EspOpensBothSidesAndReachesOnlyThePartner) {
    const int16_t ia = Visit(a, "111", "alice", "r1");
    const int16_t ib = Visit(b, "222", "bob", "r2");  // another region
    for (auto* s : {&sa, &sb}) s->handlers[kEspRequested] = [this, s](const auto&) {
        (s == &sa ? a : b).Invoke(kEspAccept, DispatchKind::PropertyPut, {Variant::Bool(true)}, nullptr);
    };
    EXPECT_FALSE(a.OpenEspConnection("x", 4242, "nobody"));
    EXPECT_TRUE(a.OpenEspConnection("7F000001:222", ib, "bob"));
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kEspRequested) && sb.Find(kEspRequested); }));
    EXPECT_EQ(sa.Find(kEspRequested)->args[0], Variant::I2(ib));
    EXPECT_EQ(sa.Find(kEspRequested)->args[1], Variant::Bstr("7F000001:222"));
    EXPECT_EQ(sb.Find(kEspRequested)->args[0], Variant::I2(ia));
    a.SendEspString(ib, "secret");
    ASSERT_TRUE(WaitUntil([&] { return sb.Find(kEspStringReceived); }));
    EXPECT_EQ(sb.Find(kEspStringReceived)->args, (std::vector<Variant>{Variant::I2(ia), Variant::Bstr("secret")}));
    EXPECT_FALSE(sa.Find(kEspStringReceived));
    EXPECT_TRUE(a.CloseEspConnection("7F000001:222", ib));
    ASSERT_TRUE(WaitUntil([&] { return sb.Find(kEspClosed); }));
    EXPECT_EQ(sb.Find(kEspClosed)->args, std::vector<Variant>{Variant::I2(ia)});
    EXPECT_FALSE(sa.Find(kEspClosed));
}

TEST_F(CommunicationTest, RefusingPartnerTextReachesTheRequesterThenTheClose) {
    Visit(a, "111", "alice", "r1");
    const int16_t ib = Visit(b, "222", "bob", "r1");
    sa.handlers[kEspRequested] = [this](const auto&) {
        a.Invoke(kEspAccept, DispatchKind::PropertyPut, {Variant::Bool(true)}, nullptr);
    };
    // Like a chat control with every tab taken: answer with a text, close, and say "not opened".
    sb.handlers[kEspRequested] = [this](const std::vector<Variant>& args) {
        b.Invoke(kEspAccept, DispatchKind::PropertyPut, {Variant::Bool(true)}, nullptr);
        b.SendEspString(args[0].AsI2(), "full");
        b.CloseEspConnection(args[1].AsBstr(), args[0].AsI2());
        b.Invoke(kEspAccept, DispatchKind::PropertyPut, {Variant::Bool(false)}, nullptr);
    };
    ASSERT_TRUE(a.OpenEspConnection("7F000001:222", ib, "bob"));
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kEspClosed); }));
    // Requested, then the refusal text, then the close: in that order at the requester.
    std::vector<int32_t> order;
    for (const auto& e : sa.events)
        if (e.dispid == kEspRequested || e.dispid == kEspStringReceived || e.dispid == kEspClosed) order.push_back(e.dispid);
    EXPECT_EQ(order, (std::vector<int32_t>{kEspRequested, kEspStringReceived, kEspClosed}));
    EXPECT_FALSE(sb.nested);
}

TEST_F(CommunicationTest, PartnerThatOpensNothingClosesTheRequestersTab) {
    Visit(a, "111", "alice", "r1");
    const int16_t ib = Visit(b, "222", "bob", "r1");
    sa.handlers[kEspRequested] = [this](const auto&) {
        a.Invoke(kEspAccept, DispatchKind::PropertyPut, {Variant::Bool(true)}, nullptr);
    };
    ASSERT_TRUE(a.OpenEspConnection("7F000001:222", ib, "bob"));  // b's host ignores the request
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kEspClosed); }));
    EXPECT_EQ(sa.Find(kEspClosed)->args, std::vector<Variant>{Variant::I2(ib)});
}

TEST_F(CommunicationTest, EventsNeverRunInsideACallOrAnotherEvent) {
    Visit(a, "111", "alice", "r1");
    const int16_t ib = Visit(b, "222", "bob", "r1");
    int handled = 0;
    // Each chat line makes the host do a blocking call, while more lines keep arriving.
    sa.handlers[kChatStringReceived] = [&](const auto&) {
        ++handled;
        EXPECT_FALSE(a.OpenEspConnection("x", 4242, "nobody"));
    };
    for (int i = 0; i < 20; ++i) b.SendChatString("line " + std::to_string(i));
    bool inCall = true;
    sa.handlers[kAvatarActed] = [&](const auto&) { EXPECT_FALSE(inCall); };
    b.SendAvatarAction("a01");
    // The action arrives during this call; it must wait until the call has returned.
    a.OpenEspConnection("7F000001:222", ib, "bob");
    inCall = false;
    ASSERT_TRUE(WaitUntil([&] { return sa.Count(kChatStringReceived) == 20 && sa.Find(kAvatarActed); }, 5000));
    EXPECT_FALSE(sa.nested);
    for (size_t i = 0; i < 20; ++i)
        EXPECT_EQ(sa.Find(kChatStringReceived, i)->args[1], Variant::Bstr("line " + std::to_string(i)));
}

TEST_F(CommunicationTest, AdminAnnouncementRegionCloseAndKick) {
    const int16_t ia = Visit(a, "111", "alice", "r1");
    Visit(b, "222", "bob", "r2");
    EXPECT_EQ(server.Admin({"announce", "--region", "r1", "hello r1"}), "ok 1");
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kAdminMessage); }));
    EXPECT_EQ(sa.Find(kAdminMessage)->args, std::vector<Variant>{Variant::Bstr("hello r1")});
    EXPECT_EQ(server.Admin({"close-region", "r1"}), "ok 1");
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kRegionClosed); }));
    EXPECT_TRUE(a.LeaveRegion());  // the host's leave sequence goes through
    EXPECT_TRUE(a.TalkOut());
    EXPECT_EQ(server.Admin({"kick", "2"}).substr(0, 2), "ok");
    ASSERT_TRUE(WaitUntil([&] { return sb.Find(kServerDisconnected); }));
    EXPECT_FALSE(sb.Find(kAdminMessage));
    // The host can tell the user why: the server's goodbye said "kicked".
    EXPECT_EQ(Reason(b), 1);
    (void)ia;
}

TEST_F(CommunicationTest, VanishedOrSilentServerFiresServerDisconnectedOnce) {
    Visit(a, "111", "alice", "r1");
    a.Invoke(kKeepaliveInterval, DispatchKind::PropertyPut, {Variant::I4(200)}, nullptr);
    server.Pause(true);  // silent, but the socket stays open
    ASSERT_TRUE(WaitUntil([&] { return sa.Find(kServerDisconnected); }, 3000));
    EXPECT_EQ(Reason(a), -2);  // fell silent
    server.Pause(false);
    EXPECT_TRUE(a.CloseServer());

    ASSERT_TRUE(server.Start());
    Visit(b, "222", "bob", "r1");
    server.Kill();
    ASSERT_TRUE(WaitUntil([&] { return sb.Find(kServerDisconnected); }, 3000));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 300);
    EXPECT_EQ(sb.Count(kServerDisconnected), 1u);
    EXPECT_EQ(sa.Count(kServerDisconnected), 1u);
    EXPECT_EQ(Reason(b), -1);  // gone without a word
}

TEST_F(CommunicationTest, ALateAnswerIsNotTakenForTheNextCall) {
    ASSERT_TRUE(a.OpenServer(server.Port(), "127.0.0.1"));
    a.Invoke(kCallTimeout, DispatchKind::PropertyPut, {Variant::I4(300)}, nullptr);
    a.Invoke(kKeepaliveInterval, DispatchKind::PropertyPut, {Variant::I4(5000)}, nullptr);
    server.Pause(true);
    EXPECT_FALSE(a.TalkIn(0x00020001, "1", "", "n", 0, 0));  // timed out
    server.Pause(false);
    a.Invoke(kCallTimeout, DispatchKind::PropertyPut, {Variant::I4(3000)}, nullptr);
    // The server did talk us in; its late "ok" must not answer this second talk-in, which it refuses.
    EXPECT_FALSE(a.TalkIn(0x00020001, "1", "", "n", 0, 0));
    EXPECT_TRUE(a.EnterRegion("r", "1", kEntry, 1));
}

TEST(CommunicationModule, RegistersAndServesEveryMemberByDispid) {
    QTemporaryDir dir;
    qputenv("MONEKO_REGISTRY", (dir.path() + "/registry.reg").toUtf8());
    const std::string module = std::string(qgetenv("MONEKO_BIN_DIR").constData()) + "/teskcommunication.ocx";
    ASSERT_EQ(platform::com::RegisterModuleFile(module), platform::com::S_OK);
    HResult hr = 0;
    auto site = platform::com::ControlSite::CreateByProgId(kProgId, nullptr, &hr);
    ASSERT_TRUE(site) << std::hex << hr;
    Variant result;
    EXPECT_EQ(site->Get(kClientId, &result), platform::com::S_OK);
    EXPECT_EQ(result, Variant::I2(0));
    EXPECT_EQ(site->Put(kEspAccept, Variant::Bool(true)), platform::com::S_OK);
    EXPECT_EQ(site->Get(kEspAccept, &result), platform::com::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(site->Call(kTalkOut, {}, &result), platform::com::S_OK);
    EXPECT_EQ(result, Variant::Bool(false));
    EXPECT_EQ(site->Call(kOpenServer, {Variant::I4(1)}, &result), platform::com::DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(site->Call(kSendChatString, {Variant::I4(1)}, &result), platform::com::DISP_E_TYPEMISMATCH);
    // Every method of the interface answers (nothing is connected, so results are FALSE / none).
    const std::vector<std::pair<int32_t, std::vector<Variant>>> calls = {
        {kOpenServer, {Variant::I4(0), Variant::Bstr("")}},
        {kTalkIn, {Variant::I4(0x00020001), Variant::Bstr("1"), Variant::Bstr(""), Variant::Bstr("n"), Variant::I4(0), Variant::I4(0)}},
        {kEnterRegion, {Variant::Bstr("r"), Variant::Bstr("1"), Variant::R4(0), Variant::R4(0), Variant::R4(0),
                        Variant::R4(0), Variant::R4(0), Variant::R4(-1), Variant::I2(1)}},
        {kLeaveRegion, {}},
        {kCloseServer, {}},
        {kSendAvatarPose, {Variant::R4(0), Variant::R4(0), Variant::R4(0), Variant::R4(0), Variant::R4(0), Variant::R4(-1)}},
        {kSendAvatarAction, {Variant::Bstr("a00")}},
        {kSendEspString, {Variant::I2(1), Variant::Bstr("x")}},
        {kOpenEspConnection, {Variant::Bstr("u"), Variant::I2(1), Variant::Bstr("n")}},
        {kCloseEspConnection, {Variant::Bstr("u"), Variant::I2(1)}},
    };
    for (const auto& [dispid, args] : calls) EXPECT_EQ(site->Call(dispid, args, &result), platform::com::S_OK) << dispid;
}

}  // namespace
}  // namespace communication
