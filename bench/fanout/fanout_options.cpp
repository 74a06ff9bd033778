#include "bench/fanout/fanout_options.h"

#include <charconv>
#include <cmath>

namespace fanout {
namespace {

bool ToNumber(const std::string& text, double min, double max, double* out) {
    double v = 0;
    auto [next, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || next != text.data() + text.size() || !std::isfinite(v) || v < min ||
        v > max)
        return false;
    *out = v;
    return true;
}

}  // namespace

const char* FanoutOptions::Usage() {
    return "usage: fanout_bench [--clients N] [--poses-per-second P] [--chat-interval SECONDS]\n"
           "                    [--warmup SECONDS] [--seconds SECONDS] [--threads 1|2]\n"
           "                    [--near K] [--far-pose-ms MS] [--far-per-second F]\n"
           "                    [--systems world,world-plain,cluster,mosquitto,mosquitto-plain]\n"
           "                    [--server PATH] [--mosquitto PATH]\n"
           "  world and mosquitto speak TLS 1.3; the -plain ones do not; cluster is plain\n"
           "N clients join one region (or subscribe to one topic); each sends P poses a second and a\n"
           "chat line every few seconds. Clients stand scattered over the region; each should hear its\n"
           "K nearest (default 50) at full rate and the rest every MS ms (default 800), at most F far\n"
           "poses a second each (default 250); these go to the server. Prints deliveries a second,\n"
           "near and far apart, p50/p99 latency and server CPU.\n";
}

std::optional<FanoutOptions> FanoutOptions::Parse(const std::vector<std::string>& args, std::string* error) {
    FanoutOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            *error = "";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            *error = "missing value for " + name;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        double n = 0;
        auto number = [&](double min, double max, bool whole) {
            if (ToNumber(value, min, max, &n) && (!whole || std::floor(n) == n)) return true;
            *error = "bad value for " + name + ": " + value;
            return false;
        };
        // Client ids are 16-bit and the server caps connections per address at 100000.
        if (name == "--clients") { if (!number(2, 60000, true)) return std::nullopt; o.clients = int(n); }
        else if (name == "--poses-per-second") { if (!number(1, 1000, true)) return std::nullopt; o.posesPerSecond = int(n); }
        else if (name == "--chat-interval") { if (!number(0.1, 3600, false)) return std::nullopt; o.chatIntervalSeconds = n; }
        else if (name == "--warmup") { if (!number(0, 600, false)) return std::nullopt; o.warmupSeconds = n; }
        else if (name == "--seconds") { if (!number(0.5, 3600, false)) return std::nullopt; o.seconds = n; }
        else if (name == "--threads") { if (!number(1, 2, true)) return std::nullopt; o.threads = int(n); }
        else if (name == "--near") { if (!number(0, 65535, true)) return std::nullopt; o.nearAvatars = int(n); }
        else if (name == "--far-pose-ms") { if (!number(1, 60000, true)) return std::nullopt; o.farPoseMs = int(n); }
        else if (name == "--far-per-second") { if (!number(1, 1000000, true)) return std::nullopt; o.farPerSecond = int(n); }
        else if (name == "--server") o.serverBinary = value;
        else if (name == "--mosquitto") o.mosquittoBinary = value;
        else if (name == "--systems") {
            o.systems.clear();
            size_t start = 0;
            while (start <= value.size()) {
                size_t comma = value.find(',', start);
                if (comma == std::string::npos) comma = value.size();
                std::string system = value.substr(start, comma - start);
                if (system != "world" && system != "world-plain" && system != "cluster" && system != "mosquitto" &&
                    system != "mosquitto-plain") {
                    *error = "unknown system " + system + " (want world, world-plain, cluster, mosquitto, mosquitto-plain)";
                    return std::nullopt;
                }
                o.systems.push_back(system);
                start = comma + 1;
            }
        } else {
            *error = "unknown option " + name;
            return std::nullopt;
        }
    }
    return o;
}

}  // namespace fanout
