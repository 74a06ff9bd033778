// The world client against a scripted server: whatever goes wrong while joining ends up as the
// client's error instead of a hang or a crash.
#include "bench/fanout/world_fanout_client.h"

#include <asio/write.hpp>
#include <gtest/gtest.h>

namespace fanout {
namespace {

using namespace protocol;

// Accepts one connection, writes the script's bytes and closes.
std::string JoinAgainst(const Bytes& script) {
    asio::io_context io;
    asio::ip::tcp::acceptor acceptor(io, {asio::ip::make_address_v4("127.0.0.1"), 0});
    asio::ip::tcp::socket peer(io);
    acceptor.async_accept(peer, [&](const std::error_code& ec) {
        if (ec) return;
        asio::async_write(peer, asio::buffer(script), [&](const std::error_code&, size_t) {
            std::error_code ignored;
            peer.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
        });
    });
    FanoutStats stats;
    WorldFanoutClient client(0, io, acceptor.local_endpoint(), "r", stats);
    client.Start();
    for (int i = 0; i < 300 && !client.Failed() && !client.Ready(); ++i) io.run_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(client.Ready());
    EXPECT_TRUE(client.Failed());
    EXPECT_EQ(stats.connectionsLost, 0u);  // it never joined, so nothing was lost
    return client.Error();
}

Bytes Frames(std::initializer_list<Message> messages) {
    Bytes out;
    for (const auto& m : messages) EncodeTo(m, out);
    return out;
}

}  // namespace

TEST(WorldFanoutClient, JoiningFailuresAreReported) {
    EXPECT_NE(JoinAgainst(Frames({Welcome{5, 4096, 1024, 1024, 30, 90},
                                  Reply{1, MessageType::TalkIn, ReplyStatus::Refused, 0}}))
                  .find("TalkIn refused"),
              std::string::npos);
    EXPECT_NE(JoinAgainst(Frames({Welcome{}, Bye{ByeReason::TooManyConnections, "too many"}})).find("too many"),
              std::string::npos);
    EXPECT_NE(JoinAgainst({0, 0, 0, 2, 9, 0x40}).find("bad frame"), std::string::npos);  // wrong version
    EXPECT_NE(JoinAgainst({}).find("closed"), std::string::npos);
}

TEST(WorldFanoutClient, ConnectionRefusedIsAnError) {
    asio::io_context io;
    asio::ip::tcp::endpoint unused;
    {
        asio::ip::tcp::acceptor probe(io, {asio::ip::make_address_v4("127.0.0.1"), 0});
        unused = probe.local_endpoint();
    }
    FanoutStats stats;
    WorldFanoutClient client(0, io, unused, "r", stats);
    client.Start();
    io.run_for(std::chrono::seconds(2));
    EXPECT_TRUE(client.Failed());
    EXPECT_NE(client.Error().find("connect"), std::string::npos);
}

}  // namespace fanout
