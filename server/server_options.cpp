#include "server/server_options.h"

#include <cstdlib>
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
    return "usage: moneko-server [--address A] [--port N] [--port-file F] [--admin-socket F]\n"
           "                     [--max-per-address N] [--talk-in-timeout-ms N] [--keepalive-ms N]\n"
           "                     [--pose-tick-ms N] [--send-queue-bytes N] [--rate N] [--burst N]\n"
           "                     [--pose-rate N] [--pose-burst N] [--cluster nats://HOST:PORT]\n"
           "       moneko-server admin [--socket F | --port N] announce [--region R] TEXT\n"
           "       moneko-server admin [--socket F | --port N] close-region R\n"
           "       moneko-server admin [--socket F | --port N] kick CLIENT-ID\n";
}

std::optional<ServerOptions> ServerOptions::Parse(const std::vector<std::string>& args, std::string* error) {
    ServerOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
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
        else if (name == "--cluster") {
            if (value.rfind("nats://", 0) != 0 || value.size() <= 7) {
                *error = "bad value for --cluster (want nats://HOST:PORT): " + value;
                return std::nullopt;
            }
            o.cluster = value;
        }
        else if (name == "--port") { if (!number(0, 65535)) return std::nullopt; o.port = uint16_t(n); }
        else if (name == "--max-per-address") { if (!number(1, 100000)) return std::nullopt; o.maxConnectionsPerAddress = int(n); }
        else if (name == "--talk-in-timeout-ms") { if (!number(100, 3600000)) return std::nullopt; o.talkInTimeoutMs = int(n); }
        else if (name == "--keepalive-ms") { if (!number(100, 3600000)) return std::nullopt; o.keepaliveMs = int(n); }
        else if (name == "--pose-tick-ms") { if (!number(1, 10000)) return std::nullopt; o.poseTickMs = int(n); }
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
    return o;
}

std::string DefaultAdminSocket(uint16_t port) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir = runtime && *runtime ? std::string(runtime) : "/tmp/moneko-server-" + std::to_string(getuid());
    return dir + "/moneko-server-" + std::to_string(port) + ".sock";
}

}  // namespace server
