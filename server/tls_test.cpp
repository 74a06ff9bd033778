// The server's TLS as its clients meet it: what crosses the network is not readable, the
// certificate made on first start stays the same, a given one is used, and --plain still speaks
// in clear for debugging.
#include "server/bot/wire_client.h"
#include "server/server_process.h"
#include "server/tls_identity.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace server {
namespace {

using namespace protocol;
using bot::WireClient;

const Pose kOrigin{0, 0, 0, 0, 0, -1};

// A loopback relay that keeps a copy of every byte going either way: what someone on the path
// between a client and the server would see.
class Tap {
public:
    explicit Tap(uint16_t serverPort) : serverPort_(serverPort) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, 4);
        socklen_t size = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~Tap() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    uint16_t Port() const { return port_; }
    std::string Seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

private:
    void Run() {
        pollfd p{listener_, POLLIN, 0};
        while (!stop_ && ::poll(&p, 1, 50) <= 0) {}
        if (stop_) return;
        const int client = ::accept(listener_, nullptr, nullptr);
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(serverPort_);
        ::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a);
        pollfd both[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[16384];
        while (!stop_) {
            if (::poll(both, 2, 50) <= 0) continue;
            bool ended = false;
            for (int i = 0; i < 2; ++i) {
                if (!(both[i].revents & (POLLIN | POLLHUP))) continue;
                const ssize_t n = ::recv(both[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    ended = true;
                    break;
                }
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    seen_.append(buffer, size_t(n));
                }
                ::send(both[1 - i].fd, buffer, size_t(n), MSG_NOSIGNAL);
            }
            if (ended) break;
        }
        ::close(client);
        ::close(server);
    }

    uint16_t serverPort_, port_ = 0;
    int listener_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string seen_;
};

// Talks in through the tap, enters, says a line and waits for it to come back.
void ChatThrough(WireClient& c, uint16_t port, const std::string& line) {
    ASSERT_TRUE(c.Connect("127.0.0.1", port));
    ASSERT_TRUE(c.WaitFor<Welcome>(3000));
    ASSERT_EQ(c.Call(TalkIn{0, 0x00020001, "secret-user", "", "secret-name", 0, 0})->status, ReplyStatus::Ok);
    ASSERT_EQ(c.Call(EnterRegion{0, "secret-region", "1", kOrigin, 1})->status, ReplyStatus::Ok);
    ASSERT_TRUE(c.Send(SendChat{line}));
    auto echo = c.WaitFor<ChatReceived>(3000);
    ASSERT_TRUE(echo);
    EXPECT_EQ(echo->text, line);
}

TEST(ServerTlsTest, ASniffedConnectionShowsNoText) {
    ServerProcess server;
    ASSERT_TRUE(server.Start()) << server.Log();
    Tap tap(server.Port());
    WireClient c;
    ChatThrough(c, tap.Port(), "meet me at the old mill at nine");
    c.Close();
    const std::string seen = tap.Seen();
    ASSERT_GT(seen.size(), 200u);
    EXPECT_EQ(seen[0], 0x16);  // a TLS handshake record opens it
    for (const char* text : {"old mill", "secret-user", "secret-name", "secret-region"})
        EXPECT_EQ(seen.find(text), std::string::npos) << text;
}

TEST(ServerTlsTest, PlainIsPlainForDebugging) {
    ServerProcess server;
    ASSERT_TRUE(server.Start({"--plain"})) << server.Log();
    Tap tap(server.Port());
    WireClient c;
    c.SetPlain(true);
    ChatThrough(c, tap.Port(), "meet me at the old mill at nine");
    c.Close();
    // The tap does see text when there is text to see.
    EXPECT_NE(tap.Seen().find("old mill"), std::string::npos);
    EXPECT_TRUE(c.PeerFingerprint().empty());

    // A TLS client cannot talk to a plain server, nor a plain client to a TLS one.
    WireClient tls;
    EXPECT_FALSE(tls.Connect("127.0.0.1", server.Port(), 1000) && tls.WaitFor<Welcome>(1000));
    ServerProcess secure;
    ASSERT_TRUE(secure.Start()) << secure.Log();
    WireClient plain;
    plain.SetPlain(true);
    ASSERT_TRUE(plain.Connect("127.0.0.1", secure.Port()));
    EXPECT_FALSE(plain.WaitFor<Welcome>(1000));
}

TEST(ServerTlsTest, OwnCertificateIsMadeOnceAndKept) {
    ServerProcess server;
    ASSERT_TRUE(server.Start()) << server.Log();
    const std::string cert = server.Folder() + "/data/tls-cert.pem", key = server.Folder() + "/data/tls-key.pem";
    const std::string fingerprint = CertificateFingerprint(cert);
    ASSERT_EQ(fingerprint.size(), 95u);
    EXPECT_NE(server.Log().find(fingerprint), std::string::npos) << server.Log();
    EXPECT_EQ(std::filesystem::status(key).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    WireClient c;
    ASSERT_TRUE(c.Connect("127.0.0.1", server.Port()));
    EXPECT_EQ(c.PeerFingerprint(), fingerprint);
    c.Close();

    server.Stop();
    ASSERT_TRUE(server.Start()) << server.Log();
    EXPECT_EQ(CertificateFingerprint(cert), fingerprint);
    ASSERT_TRUE(c.Connect("127.0.0.1", server.Port()));
    EXPECT_EQ(c.PeerFingerprint(), fingerprint);
    c.Close();

    // Half a pair is not silently replaced: clients pinned the old certificate.
    server.Stop();
    std::filesystem::remove(key);
    EXPECT_FALSE(server.Start());
    EXPECT_NE(server.Log().find(key), std::string::npos) << server.Log();
}

TEST(ServerTlsTest, GivenCertificateIsUsedAndAWrongKeyRefused) {
    const std::string dir = std::filesystem::temp_directory_path() / ("moneko-tls-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string error;
    ASSERT_TRUE(EnsureSelfSignedCertificate(dir + "/a.pem", dir + "/a.key", &error)) << error;
    ASSERT_TRUE(EnsureSelfSignedCertificate(dir + "/b.pem", dir + "/b.key", &error)) << error;
    ASSERT_NE(CertificateFingerprint(dir + "/a.pem"), CertificateFingerprint(dir + "/b.pem"));

    ServerProcess server;
    ASSERT_TRUE(server.Start({"--cert", dir + "/a.pem", "--key", dir + "/a.key"})) << server.Log();
    WireClient c;
    ASSERT_TRUE(c.Connect("127.0.0.1", server.Port()));
    EXPECT_EQ(c.PeerFingerprint(), CertificateFingerprint(dir + "/a.pem"));
    EXPECT_FALSE(std::filesystem::exists(server.Folder() + "/data/tls-cert.pem"));
    c.Close();
    server.Stop();

    EXPECT_FALSE(server.Start({"--cert", dir + "/a.pem", "--key", dir + "/b.key"}));
    EXPECT_NE(server.Log().find(dir + "/b.key"), std::string::npos) << server.Log();
    EXPECT_FALSE(server.Start({"--cert", dir + "/missing.pem", "--key", dir + "/a.key"}));
    EXPECT_NE(server.Log().find(dir + "/missing.pem"), std::string::npos) << server.Log();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace server
