#include "bench/fanout/mosquitto_fanout_system.h"

#include "bench/fanout/mosquitto_fanout_client.h"
#include "server/tls_identity.h"

#include <arpa/inet.h>
#include <chrono>
#include <fstream>
#include <mosquitto.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace fanout {
namespace {

constexpr const char* kTopic = "moneko/bench/fanout";

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port the kernel just handed out and took back; the broker binds it a moment later.
uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address = Loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

MosquittoFanoutSystem::MosquittoFanoutSystem(bool tls) : tls_(tls) { mosquitto_lib_init(); }

MosquittoFanoutSystem::~MosquittoFanoutSystem() {
    Shutdown();
    mosquitto_lib_cleanup();
}

std::string MosquittoFanoutSystem::Config(uint16_t port) {
    // Loopback only, nothing kept on disk, small packets sent at once like the world server does.
    return "listener " + std::to_string(port) + " 127.0.0.1\n"
           "allow_anonymous true\n"
           "persistence false\n"
           "max_connections -1\n"
           "set_tcp_nodelay true\n"
           "log_dest stderr\n"
           "log_type error\n"
           "log_type warning\n";
}

std::string MosquittoFanoutSystem::TlsConfig(const std::string& cert, const std::string& key) {
    // Started by root, the broker would switch to its own user and no longer read the key in our
    // private folder.
    return std::string(::geteuid() == 0 ? "user root\n" : "") +
           "certfile " + cert + "\n"
           "keyfile " + key + "\n"
           "tls_version tlsv1.3\n";
}

bool MosquittoFanoutSystem::Launch(const FanoutOptions& options, std::string* error) {
    if (!dir_.Create("moneko-fanout-mosquitto")) {
        *error = "cannot make a temporary folder";
        return false;
    }
    port_ = FreeLoopbackPort();
    if (port_ == 0) {
        *error = "no free loopback port";
        return false;
    }
    {
        std::ofstream config(dir_.File("mosquitto.conf"));
        config << Config(port_);
        if (tls_) {
            cert_ = dir_.File("broker-cert.pem");
            if (!server::EnsureSelfSignedCertificate(cert_, dir_.File("broker-key.pem"), error)) return false;
            config << TlsConfig(cert_, dir_.File("broker-key.pem"));
        }
        if (!config) {
            *error = "cannot write the broker's config";
            return false;
        }
    }
    if (!broker_.Start({options.mosquittoBinary, "-c", dir_.File("mosquitto.conf")}, dir_.File("mosquitto.log"), error))
        return false;
    for (int i = 0; i < 400; ++i) {
        if (Accepts(port_)) return true;
        if (!broker_.Running()) {
            *error = "mosquitto exited at start:\n" + dir_.Tail("mosquitto.log");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    *error = "mosquitto did not start listening within 10 s";
    return false;
}

std::unique_ptr<FanoutClient> MosquittoFanoutSystem::MakeClient(int index, asio::io_context& io, FanoutStats& stats,
                                                     const CrowdLayout& layout) {
    return std::make_unique<MosquittoFanoutClient>(index, io, port_, kTopic, stats, cert_, &layout);
}

std::optional<double> MosquittoFanoutSystem::CpuSeconds() const { return broker_.CpuSeconds(); }

std::string MosquittoFanoutSystem::LogTail() const { return dir_.Tail("mosquitto.log"); }

void MosquittoFanoutSystem::Shutdown() { broker_.Stop(); }

}  // namespace fanout
