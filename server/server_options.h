#pragma once
// Command-line settings of moneko-server and its limits.
#include "server/pose_relay.h"

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
    int maxConnections = 4096;          // everyone together; lowered to what the descriptor limit allows
    std::string dataDir;                // empty: DefaultDataDir() (bans and closed regions live here)
    int talkInTimeoutMs = 10000;        // from connect to a successful TalkIn
    int keepaliveMs = 5000;             // ping interval; silent three intervals: dropped
    int poseTickMs = 20;                // each member hears the moves about it this often
    int crowdSize = 500;                // in a region of more members than this (0: never) ...
    int crowdPoseTickMs = 40;           // ... this often: fewer, fuller writes for everyone
    int nearAvatars = 50;               // each member hears this many nearest avatars at every round
    int farPoseMs = 800;                // and everyone else's latest pose about this often,
    int farPosesPerSecond = 250;        // but no more far poses than this a second each: big crowds' far turns slow down
    size_t sendQueueBytes = 1 << 20;    // a client that lets more pile up is dropped
    int messagesPerSecond = 30;         // everything but poses
    int messageBurst = 90;
    int posesPerSecond = 120;
    int poseBurst = 240;
    std::string cluster;                // nats://HOST:PORT: share the world with other nodes
    bool plain = false;                 // no TLS: for debugging only
    std::string certFile, keyFile;      // empty: made in the data folder on first start
    // TLS to NATS: tls://HOST:PORT in --cluster, with these to check the server and show our own.
    std::string clusterCa, clusterCert, clusterKey;

    // The server's tick: members' writes are spread over the ticks of a pose round.
    int TickMs() const;
    // How the pose relay of every region is set up, in ticks of this server.
    PoseRelay::Settings Interest() const;

    // Parses argv (without the program name); nullopt and *error on a bad option.
    static std::optional<ServerOptions> Parse(const std::vector<std::string>& args, std::string* error);
    static const char* Usage();
    // Every option with its meaning and default, for --help.
    static const char* Help();
};

// Where the admin socket of a server on this port lives unless told otherwise: the service's
// runtime folder ($RUNTIME_DIRECTORY, or /run/moneko-server if it is this user's), else
// $XDG_RUNTIME_DIR, else a folder of this user's under /tmp.
std::string DefaultAdminSocket(uint16_t port);
// The server's data folder unless told otherwise: $STATE_DIRECTORY (a service), else
// $XDG_DATA_HOME/moneko-server, else ~/.local/share/moneko-server.
std::string DefaultDataDir();

}  // namespace server
