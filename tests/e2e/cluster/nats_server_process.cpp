#include "tests/e2e/cluster/nats_server_process.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace e2e {
namespace {

uint16_t FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

NatsServerProcess::~NatsServerProcess() {
    Stop();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
}

bool NatsServerProcess::Start() {
    if (pid_ > 0) return true;
    if (dir_.empty()) {
        char pattern[] = "/tmp/moneko-nats-test-XXXXXX";
        if (!mkdtemp(pattern)) return false;
        dir_ = pattern;
    }
    if (port_ == 0) port_ = FreePort();
    if (port_ == 0) return false;
    std::vector<std::string> args = {"nats-server", "-a", "127.0.0.1", "-p", std::to_string(port_), "-js",
                                     "-sd", dir_ + "/store", "-l", dir_ + "/nats.log"};
    if (!tlsCert_.empty()) args.insert(args.end(), {"--tls", "--tlscert", tlsCert_, "--tlskey", tlsKey_});
    pid_ = fork();
    if (pid_ == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    for (int i = 0; i < 200; ++i) {
        if (Accepts(port_)) return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

void NatsServerProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 150; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace e2e
