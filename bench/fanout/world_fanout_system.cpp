#include "bench/fanout/world_fanout_system.h"

#include "bench/fanout/world_fanout_client.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fanout {
namespace {

constexpr const char* kRegion = "http://127.0.0.1/bench/fanout.wrl";

std::string DefaultServerBinary() {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? "moneko-server" : (self.parent_path() / "moneko-server").string();
}

}  // namespace

std::vector<std::string> WorldFanoutSystem::LimitArguments(const FanoutOptions& options) {
    // The defaults guard against one abusive address; here every client is ours and on loopback.
    const int poseRate = std::max(120, 2 * options.posesPerSecond);
    return {"--max-per-address", std::to_string(std::min(100000, options.clients + 16)),
            "--pose-rate",       std::to_string(std::min(65535, poseRate)),
            "--pose-burst",      std::to_string(std::min(65535, 2 * poseRate)),
            "--near-avatars",    std::to_string(options.nearAvatars),
            "--far-pose-ms",     std::to_string(options.farPoseMs),
            "--far-poses-per-second", std::to_string(options.farPerSecond)};
}

WorldFanoutSystem::WorldFanoutSystem(bool tls) {
    if (!tls) return;
    // The server's certificate is its own making: the benchmark measures, it does not pin.
    tls_ = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_client);
    SSL_CTX_set_min_proto_version(tls_->native_handle(), TLS1_3_VERSION);
    tls_->set_verify_mode(asio::ssl::verify_none);
}

bool WorldFanoutSystem::Launch(const FanoutOptions& options, std::string* error) {
    if (!dir_.Create("moneko-fanout-world")) {
        *error = "cannot make a temporary folder";
        return false;
    }
    return LaunchNode(options, {}, error);
}

bool WorldFanoutSystem::LaunchNode(const FanoutOptions& options, const std::vector<std::string>& extraArgs,
                                   std::string* error) {
    const std::string binary = options.serverBinary.empty() ? DefaultServerBinary() : options.serverBinary;
    const std::string name = "node" + std::to_string(nodes_.size());
    const std::string portFile = dir_.File(name + ".port");
    std::vector<std::string> argv = {binary, "--port", "0", "--port-file", portFile, "--admin-socket",
                                     dir_.File(name + ".sock")};
    for (auto& a : LimitArguments(options)) argv.push_back(a);
    argv.insert(argv.end(), {"--data-dir", dir_.File(name + "-data")});
    if (!tls_) argv.push_back("--plain");
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    auto node = std::make_unique<ChildProcess>();
    const std::string log = name + ".log";
    if (!node->Start(argv, dir_.File(log), error)) return false;
    for (int i = 0; i < 400; ++i) {
        std::ifstream in(portFile);
        int port = 0;
        if (in >> port && port > 0 && port < 65536) {
            endpoints_.emplace_back(asio::ip::make_address_v4("127.0.0.1"), uint16_t(port));
            nodes_.push_back(std::move(node));
            return true;
        }
        if (!node->Running()) {
            *error = "moneko-server exited at start:\n" + dir_.Tail(log);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    *error = "moneko-server did not start listening within 10 s";
    return false;
}

std::unique_ptr<FanoutClient> WorldFanoutSystem::MakeClient(int index, asio::io_context& io, FanoutStats& stats,
                                                     const CrowdLayout& layout) {
    const auto& endpoint = endpoints_[size_t(index) % endpoints_.size()];
    return std::make_unique<WorldFanoutClient>(index, io, endpoint, kRegion, stats, tls_.get(), &layout);
}

std::optional<double> WorldFanoutSystem::CpuSeconds() const {
    double total = 0;
    for (const auto& node : nodes_) {
        auto seconds = node->CpuSeconds();
        if (!seconds) return std::nullopt;
        total += *seconds;
    }
    return total;
}

std::string WorldFanoutSystem::LogTail() const {
    std::string tail;
    for (size_t i = 0; i < nodes_.size(); ++i) tail += dir_.Tail("node" + std::to_string(i) + ".log");
    return tail;
}

void WorldFanoutSystem::Shutdown() {
    for (auto& node : nodes_) node->Stop();
}

}  // namespace fanout
