#include "bench/fanout/cluster_fanout_system.h"

#include "bench/fanout/world_fanout_client.h"
#include "bench/fanout/world_fanout_system.h"

#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace fanout {
namespace {

constexpr const char* kRegion = "http://127.0.0.1/bench/fanout.wrl";
constexpr const char* kNatsServer = "/usr/sbin/nats-server";

std::string DefaultServerBinary() {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? "moneko-server" : (self.parent_path() / "moneko-server").string();
}

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    return addr;
}

uint16_t FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t size = sizeof addr;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

bool ClusterFanoutSystem::StartNats(std::string* error) {
    natsPort_ = FreePort();
    nats_ = std::make_unique<ChildProcess>();
    if (!nats_->Start({kNatsServer, "-a", "127.0.0.1", "-p", std::to_string(natsPort_), "-js", "-sd",
                       dir_.File("jetstream")},
                      dir_.File("nats.log"), error))
        return false;
    for (int i = 0; i < 400; ++i) {
        if (Accepts(natsPort_)) return true;
        if (!nats_->Running()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    *error = "nats-server did not start:\n" + dir_.Tail("nats.log");
    return false;
}

bool ClusterFanoutSystem::Launch(const FanoutOptions& options, std::string* error) {
    if (!dir_.Create("moneko-fanout-cluster")) {
        *error = "cannot make a temporary folder";
        return false;
    }
    if (!StartNats(error)) return false;
    const std::string binary = options.serverBinary.empty() ? DefaultServerBinary() : options.serverBinary;
    const std::string url = "nats://127.0.0.1:" + std::to_string(natsPort_);
    for (int n = 0; n < kNodes; ++n) {
        const std::string tag = "node" + std::to_string(n);
        const std::string portFile = dir_.File(tag + ".port");
        std::vector<std::string> argv = {binary, "--port", "0", "--port-file", portFile, "--admin-socket",
                                         dir_.File(tag + ".sock"), "--cluster", url, "--plain",
                                         "--data-dir", dir_.File(tag + "-data")};
        for (auto& a : WorldFanoutSystem::LimitArguments(options)) argv.push_back(a);
        auto node = std::make_unique<ChildProcess>();
        if (!node->Start(argv, dir_.File(tag + ".log"), error)) return false;
        bool listening = false;
        for (int i = 0; i < 400 && !listening; ++i) {
            std::ifstream in(portFile);
            int port = 0;
            if (in >> port && port > 0 && port < 65536) {
                endpoints_.emplace_back(asio::ip::make_address_v4("127.0.0.1"), uint16_t(port));
                listening = true;
            } else if (!node->Running()) {
                break;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
            }
        }
        nodes_.push_back(std::move(node));
        if (!listening) {
            *error = "moneko-server " + tag + " did not start listening:\n" + dir_.Tail(tag + ".log");
            return false;
        }
    }
    return true;
}

std::unique_ptr<FanoutClient> ClusterFanoutSystem::MakeClient(int index, asio::io_context& io, FanoutStats& stats,
                                                     const CrowdLayout& layout) {
    const auto& endpoint = endpoints_[size_t(index) % endpoints_.size()];
    return std::make_unique<WorldFanoutClient>(index, io, endpoint, kRegion, stats, nullptr, &layout);
}

std::optional<double> ClusterFanoutSystem::CpuSeconds() const {
    if (!nats_) return std::nullopt;
    auto total = nats_->CpuSeconds();
    if (!total) return std::nullopt;
    for (const auto& node : nodes_) {
        auto seconds = node->CpuSeconds();
        if (!seconds) return std::nullopt;
        *total += *seconds;
    }
    return total;
}

std::string ClusterFanoutSystem::LogTail() const {
    std::string out;
    for (int n = 0; n < kNodes; ++n) out += "node" + std::to_string(n) + ":\n" + dir_.Tail("node" + std::to_string(n) + ".log");
    return out + "nats:\n" + dir_.Tail("nats.log");
}

void ClusterFanoutSystem::Shutdown() {
    for (auto& node : nodes_) node->Stop();
    if (nats_) nats_->Stop();
}

}  // namespace fanout
