#include "bench/fanout/child_process.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fanout {

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& logPath, std::string* error) {
    Stop();
    if (argv.empty()) {
        *error = "no program given";
        return false;
    }
    if (::access(argv[0].c_str(), X_OK) != 0) {
        *error = argv[0] + ": " + std::strerror(errno);
        return false;
    }
    // Everything the child needs is prepared before fork, so the child only calls async-signal-safe functions.
    std::vector<std::string> copy = argv;
    std::vector<char*> args;
    for (auto& a : copy) args.push_back(a.data());
    args.push_back(nullptr);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (log < 0) {
        *error = logPath + ": " + std::strerror(errno);
        return false;
    }
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_ = ::fork();
    if (pid_ == 0) {
        // A benchmark killed outright must not leave its server running (a broker that drops
        // root loses this setting, but SIGINT from the terminal still reaches it).
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(null, 0);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    const int forkErrno = errno;
    ::close(log);
    if (null >= 0) ::close(null);
    if (pid_ < 0) {
        *error = std::string("fork: ") + std::strerror(forkErrno);
        return false;
    }
    return true;
}

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void ChildProcess::Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 150; ++i) {
        if (!Running()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::optional<double> ChildProcess::CpuSeconds() const {
    if (pid_ <= 0) return std::nullopt;
    std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
    std::stringstream text;
    text << in.rdbuf();
    auto ticks = CpuTicksOfStat(text.str());
    if (!ticks) return std::nullopt;
    return double(*ticks) / double(::sysconf(_SC_CLK_TCK));
}

std::optional<unsigned long long> ChildProcess::CpuTicksOfStat(std::string_view stat) {
    const size_t close = stat.rfind(')');
    if (close == std::string_view::npos) return std::nullopt;
    // After the name: state (field 3) ... utime (14), stime (15).
    std::string_view rest = stat.substr(close + 1);
    unsigned long long utime = 0, stime = 0;
    int field = 2;
    size_t pos = 0;
    while (field < 15) {
        while (pos < rest.size() && rest[pos] == ' ') ++pos;
        if (pos >= rest.size()) return std::nullopt;
        size_t end = rest.find(' ', pos);
        if (end == std::string_view::npos) end = rest.size();
        ++field;
        if (field == 14 || field == 15) {
            unsigned long long value = 0;
            auto [next, ec] = std::from_chars(rest.data() + pos, rest.data() + end, value);
            if (ec != std::errc() || next != rest.data() + end) return std::nullopt;
            (field == 14 ? utime : stime) = value;
        }
        pos = end;
    }
    return utime + stime;
}

}  // namespace fanout
