#pragma once
// Command-line settings of moneko-server and its limits.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace server {

struct ServerOptions {
    std::string address = "127.0.0.1";
    uint16_t port = 11001;              // 0: any free port (see portFile)
    std::string portFile;               // the bound port is written here once listening
    std::string adminSocket;            // empty: DefaultAdminSocket(bound port)
    int maxConnectionsPerAddress = 16;
    int talkInTimeoutMs = 10000;        // from connect to a successful TalkIn
    int keepaliveMs = 5000;             // ping interval; silent three intervals: dropped
    int poseTickMs = 20;
    size_t sendQueueBytes = 1 << 20;    // a client that lets more pile up is dropped
    int messagesPerSecond = 30;         // everything but poses
    int messageBurst = 90;
    int posesPerSecond = 120;
    int poseBurst = 240;
    std::string cluster;                // nats://HOST:PORT: share the world with other nodes

    // Parses argv (without the program name); nullopt and *error on a bad option.
    static std::optional<ServerOptions> Parse(const std::vector<std::string>& args, std::string* error);
    static const char* Usage();
};

// Where the admin socket of a server on this port lives unless told otherwise.
std::string DefaultAdminSocket(uint16_t port);

}  // namespace server
