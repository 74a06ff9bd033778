#include "server/server_process.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace server {
namespace {

std::string Binary() {
    const char* dir = std::getenv("MONEKO_BIN_DIR");
    return std::string(dir ? dir : ".") + "/moneko-server";
}

}  // namespace

ServerProcess::~ServerProcess() {
    Stop();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
}

bool ServerProcess::Start(const std::vector<std::string>& extraArgs) {
    Stop();
    if (dir_.empty()) {
        char pattern[] = "/tmp/moneko-server-test-XXXXXX";
        if (!mkdtemp(pattern)) return false;
        dir_ = pattern;
    }
    const std::string portFile = dir_ + "/port";
    std::filesystem::remove(portFile);
    std::vector<std::string> args = {Binary(), "--port", "0", "--port-file", portFile, "--data-dir", dir_ + "/data"};
    adminSocket_.clear();
    for (size_t i = 0; i + 1 < extraArgs.size(); ++i)
        if (extraArgs[i] == "--admin-socket") adminSocket_ = extraArgs[i + 1];
    if (adminSocket_.empty() && ownAdminSocket_) {
        adminSocket_ = dir_ + "/admin.sock";
        args.insert(args.end(), {"--admin-socket", adminSocket_});
    }
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    pid_ = fork();
    if (pid_ == 0) {
        for (const auto& [name, value] : env_) {
            if (value.empty()) ::unsetenv(name.c_str());
            else ::setenv(name.c_str(), value.c_str(), 1);
        }
        if (fileLimit_ > 0) {
            rlimit files{rlim_t(fileLimit_), rlim_t(fileLimit_)};
            ::setrlimit(RLIMIT_NOFILE, &files);
        }
        int log = ::open((dir_ + "/server.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int null = ::open("/dev/null", O_WRONLY);
        dup2(log, 2);
        dup2(null, 1);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    for (int i = 0; i < 200; ++i) {
        std::ifstream in(portFile);
        int port = 0;
        if (in >> port && port > 0) {
            port_ = static_cast<uint16_t>(port);
            return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

void ServerProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGCONT);
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Kill();
}

void ServerProcess::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void ServerProcess::Pause(bool stop) {
    if (pid_ > 0) kill(pid_, stop ? SIGSTOP : SIGCONT);
}

std::string ServerProcess::Log() const {
    std::ifstream in(dir_ + "/server.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string ServerProcess::AdminAll(const std::vector<std::string>& args) const {
    std::string command = "'" + Binary() + "' admin --socket '" + adminSocket_ + "'";
    for (const auto& a : args) command += " '" + a + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "";
    std::string out;
    char buffer[512];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

std::string ServerProcess::Admin(const std::vector<std::string>& args) const {
    std::string command = "'" + Binary() + "' admin --socket '" + adminSocket_ + "'";
    for (const auto& a : args) command += " '" + a + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "";
    char line[512] = {};
    std::string out = fgets(line, sizeof line, pipe) ? line : "";
    pclose(pipe);
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace server
