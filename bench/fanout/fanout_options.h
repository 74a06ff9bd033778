#pragma once
// What the fan-out benchmark runs: how many clients, how fast they send, for how long, and
// against which systems.
#include <optional>
#include <string>
#include <vector>

namespace fanout {

struct FanoutOptions {
    int clients = 200;
    int posesPerSecond = 10;
    double chatIntervalSeconds = 3.0;  // each client says a line this often
    double warmupSeconds = 2.0;
    double seconds = 10.0;             // measured time, after the warm-up
    int threads = 1;                   // client event loops
    int nearAvatars = 50;              // the server's --near-avatars: heard at full rate
    int farPoseMs = 800;               // the server's --far-pose-ms: how often the rest are heard
    int farPerSecond = 250;            // the server's --far-poses-per-second: far poses each may get
    std::vector<std::string> systems = {"world", "mosquitto"};
    std::string serverBinary;          // empty: moneko-server next to the benchmark
    std::string mosquittoBinary = "/usr/sbin/mosquitto";

    static std::optional<FanoutOptions> Parse(const std::vector<std::string>& args, std::string* error);
    static const char* Usage();
};

}  // namespace fanout
