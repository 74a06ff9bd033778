#include "server/server_options.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

namespace server {
namespace {

bool ToInt(const std::string& text, long min, long max, long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < min || v > max) return false;
    *out = v;
    return true;
}

}  // namespace

const char* ServerOptions::Usage() {
    return "usage: moneko-server [--address A] [--port N] [--port-file F] [--admin-socket F] [--data-dir D]\n"
           "                     [--plain | --cert F --key F] [--max-connections N]\n"
           "                     [--max-per-address N] [--talk-in-timeout-ms N] [--keepalive-ms N]\n"
           "                     [--pose-tick-ms N] [--near-avatars N] [--far-pose-ms N] [--far-poses-per-second N]\n"
           "                     [--send-queue-bytes N] [--rate N] [--burst N]\n"
           "                     [--pose-rate N] [--pose-burst N] [--cluster nats://HOST:PORT | tls://HOST:PORT]\n"
           "                     [--cluster-ca F] [--cluster-cert F --cluster-key F]\n"
           "       moneko-server admin [--socket F | --port N] announce [--region R] TEXT\n"
           "       moneko-server admin [--socket F | --port N] close-region R\n"
           "       moneko-server admin [--socket F | --port N] kick CLIENT-ID\n"
           "       moneko-server admin [--socket F | --port N] ban CLIENT-ID|ADDRESS [--minutes N]\n"
           "       moneko-server admin [--socket F | --port N] unban ADDRESS\n"
           "       moneko-server admin [--socket F | --port N] bans\n"
           "       moneko-server admin [--socket F | --port N] open-region R\n"
           "       moneko-server --help | admin --help\n";
}

const char* ServerOptions::Help() {
    return "usage: moneko-server [OPTION VALUE]...\n"
           "       moneko-server admin [--socket F | --port N] COMMAND...   (see moneko-server admin --help)\n"
           "       moneko-server --help\n"
           "The world server: clients connect to it over TLS and meet in its regions.\n"
           "\n"
           "Options (each takes a value, but --plain):\n"
           "  --address A              address to listen on, IPv4 or IPv6; :: or 0.0.0.0 for every\n"
           "                           interface (default 127.0.0.1)\n"
           "  --port N                 port to listen on, 0 for any free one (default 11001)\n"
           "  --port-file F            write the port listened on to F once listening (default: none)\n"
           "  --admin-socket F         the administration socket; its folder must be this user's and\n"
           "                           private, and is made if absent (default: moneko-server-PORT.sock in\n"
           "                           $RUNTIME_DIRECTORY, /run/moneko-server, $XDG_RUNTIME_DIR or\n"
           "                           /tmp/moneko-server-UID, the first that applies)\n"
           "  --plain                  speak without TLS, in clear; for debugging only (default: TLS 1.3)\n"
           "  --cert F, --key F        the certificate chain and private key (PEM) shown to clients\n"
           "                           (default: tls-cert.pem and tls-key.pem in the data folder, a\n"
           "                           self-signed pair made on first start)\n"
           "  --data-dir D             where bans, closed regions and the certificate are kept (default $STATE_DIRECTORY,\n"
           "                           else $XDG_DATA_HOME/moneko-server, else ~/.local/share/moneko-server)\n"
           "  --max-connections N      connections at once, everyone together; more are refused with\n"
           "                           Bye 6 (default 4096, lowered to fit the open-file limit)\n"
           "  --max-per-address N      connections at once from one address (default 16)\n"
           "  --talk-in-timeout-ms N   time from connecting to talking in (default 10000)\n"
           "  --keepalive-ms N         ping interval; a connection that completes no frame for three\n"
           "                           intervals is closed with Bye 5 (default 5000)\n"
           "  --pose-tick-ms N         how often each member hears the moves about it (default 20)\n"
           "  --crowd-size N           in a region of more than N members (0: never; default 500) ...\n"
           "  --crowd-pose-tick-ms N   ... how often instead (default 40)\n"
           "  --near-avatars N         each member gets the moves of its N nearest avatars at every\n"
           "                           round (default 50)\n"
           "  --far-pose-ms N          and the latest pose of every other avatar in its region about\n"
           "                           this often, if it moved (default 800)\n"
           "  --far-poses-per-second N at most this many far poses a second to each member; in a crowd\n"
           "                           too big for that, far avatars are heard less often (default 250)\n"
           "  --send-queue-bytes N     output a client may leave unread before it is closed with\n"
           "                           Bye 4 (default 1048576)\n"
           "  --rate N                 messages a second per client, poses aside (default 30)\n"
           "  --burst N                messages a client may send at once above the rate (default 90)\n"
           "  --pose-rate N            poses a second per client (default 120)\n"
           "  --pose-burst N           poses at once above the pose rate (default 240)\n"
           "  --cluster nats://H:P     share one world with the other servers on this NATS server\n"
           "                           (default: none, the world lives in this process); tls://H:P\n"
           "                           for NATS over TLS\n"
           "  --cluster-ca F           CA certificates (PEM) that NATS's certificate must chain to\n"
           "                           (default: the system's)\n"
           "  --cluster-cert F, --cluster-key F\n"
           "                           this node's client certificate and key for NATS (default: none)\n"
           "\n"
           "It logs to standard error and stops cleanly on SIGTERM or SIGINT.\n";
}

std::optional<ServerOptions> ServerOptions::Parse(const std::vector<std::string>& args, std::string* error) {
    ServerOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--plain") {
            o.plain = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = "missing value for " + name;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        long n = 0;
        auto number = [&](long min, long max) {
            if (ToInt(value, min, max, &n)) return true;
            *error = "bad value for " + name + ": " + value;
            return false;
        };
        if (name == "--address") o.address = value;
        else if (name == "--port-file") o.portFile = value;
        else if (name == "--admin-socket") o.adminSocket = value;
        else if (name == "--data-dir") o.dataDir = value;
        else if (name == "--max-connections") { if (!number(1, 1000000)) return std::nullopt; o.maxConnections = int(n); }
        else if (name == "--cluster") {
            if ((value.rfind("nats://", 0) != 0 || value.size() <= 7) && (value.rfind("tls://", 0) != 0 || value.size() <= 6)) {
                *error = "bad value for --cluster (want nats://HOST:PORT or tls://HOST:PORT): " + value;
                return std::nullopt;
            }
            o.cluster = value;
        }
        else if (name == "--cert") o.certFile = value;
        else if (name == "--key") o.keyFile = value;
        else if (name == "--cluster-ca") o.clusterCa = value;
        else if (name == "--cluster-cert") o.clusterCert = value;
        else if (name == "--cluster-key") o.clusterKey = value;
        else if (name == "--port") { if (!number(0, 65535)) return std::nullopt; o.port = uint16_t(n); }
        else if (name == "--max-per-address") { if (!number(1, 100000)) return std::nullopt; o.maxConnectionsPerAddress = int(n); }
        else if (name == "--talk-in-timeout-ms") { if (!number(100, 3600000)) return std::nullopt; o.talkInTimeoutMs = int(n); }
        else if (name == "--keepalive-ms") { if (!number(100, 3600000)) return std::nullopt; o.keepaliveMs = int(n); }
        else if (name == "--pose-tick-ms") { if (!number(1, 10000)) return std::nullopt; o.poseTickMs = int(n); }
        else if (name == "--crowd-size") { if (!number(0, 65535)) return std::nullopt; o.crowdSize = int(n); }
        else if (name == "--crowd-pose-tick-ms") { if (!number(1, 10000)) return std::nullopt; o.crowdPoseTickMs = int(n); }
        else if (name == "--near-avatars") { if (!number(0, 65535)) return std::nullopt; o.nearAvatars = int(n); }
        else if (name == "--far-pose-ms") { if (!number(1, 60000)) return std::nullopt; o.farPoseMs = int(n); }
        else if (name == "--far-poses-per-second") { if (!number(1, 1000000)) return std::nullopt; o.farPosesPerSecond = int(n); }
        else if (name == "--send-queue-bytes") { if (!number(4096, 1L << 30)) return std::nullopt; o.sendQueueBytes = size_t(n); }
        else if (name == "--rate") { if (!number(1, 65535)) return std::nullopt; o.messagesPerSecond = int(n); }
        else if (name == "--burst") { if (!number(1, 65535)) return std::nullopt; o.messageBurst = int(n); }
        else if (name == "--pose-rate") { if (!number(1, 65535)) return std::nullopt; o.posesPerSecond = int(n); }
        else if (name == "--pose-burst") { if (!number(1, 65535)) return std::nullopt; o.poseBurst = int(n); }
        else {
            *error = "unknown option " + name;
            return std::nullopt;
        }
    }
    if (o.certFile.empty() != o.keyFile.empty()) {
        *error = "--cert and --key go together (given: " + (o.certFile.empty() ? "--key " + o.keyFile : "--cert " + o.certFile) + ")";
        return std::nullopt;
    }
    if (o.clusterCert.empty() != o.clusterKey.empty()) {
        *error = "--cluster-cert and --cluster-key go together";
        return std::nullopt;
    }
    return o;
}

int ServerOptions::TickMs() const {
    // A tick both rounds divide into, cut down towards 5 ms where it halves evenly: each tick
    // writes to a few of a region's members, never to all of them at once, and a pose that
    // arrives while a tick is being written waits less for the server to read it.
    int tick = std::gcd(poseTickMs, crowdSize > 0 ? crowdPoseTickMs : poseTickMs);
    while (tick > 5 && tick % 2 == 0) tick /= 2;
    return tick;
}

PoseRelay::Settings ServerOptions::Interest() const {
    const int tick = TickMs();
    PoseRelay::Settings s;
    s.nearCount = size_t(nearAvatars);
    // Whole ticks, rounded up: a far pose never comes more often than asked.
    s.farEveryTicks = std::max(1, (farPoseMs + tick - 1) / tick);
    // Near sets follow the crowd about five times a second.
    s.regroupEveryTicks = std::max(1, (200 + tick - 1) / tick);
    s.farBudgetPerTick = double(farPosesPerSecond) * tick / 1000.0;
    s.roundTicks = poseTickMs / tick;
    s.crowdSize = size_t(crowdSize);
    s.crowdRoundTicks = crowdPoseTickMs / tick;
    return s;
}

std::string DefaultAdminSocket(uint16_t port) {
    auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    std::string dir = env("RUNTIME_DIRECTORY");
    // A service's folder; the admin command run by hand as the service's user finds it here too.
    struct stat st{};
    if (dir.empty() && ::lstat("/run/moneko-server", &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
        dir = "/run/moneko-server";
    if (dir.empty()) dir = env("XDG_RUNTIME_DIR");
    if (dir.empty()) dir = "/tmp/moneko-server-" + std::to_string(::geteuid());
    // systemd may list several folders; the first is ours.
    if (auto colon = dir.find(':'); colon != std::string::npos) dir.resize(colon);
    return dir + "/moneko-server-" + std::to_string(port) + ".sock";
}

std::string DefaultDataDir() {
    const char* state = std::getenv("STATE_DIRECTORY");
    if (state && *state) {
        std::string dir = state;
        if (auto colon = dir.find(':'); colon != std::string::npos) dir.resize(colon);
        return dir;
    }
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return std::string(data) + "/moneko-server";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/moneko-server";
}

}  // namespace server
