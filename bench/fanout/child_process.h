#pragma once
// A server or broker the benchmark runs: started with its output in a log file, measured through
// /proc (its CPU time), stopped with SIGTERM (SIGKILL if it lingers).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fanout {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is the program's path. Standard output and error go to logPath.
    bool Start(const std::vector<std::string>& argv, const std::string& logPath, std::string* error);
    void Stop();
    bool Running();
    int Pid() const { return pid_; }

    // User plus system CPU seconds the process has used so far; nullopt once it is gone.
    std::optional<double> CpuSeconds() const;
    // The utime + stime clock ticks of a /proc/PID/stat line. The command name sits in
    // parentheses and may itself hold spaces and parentheses, so fields count from the last ')'.
    static std::optional<unsigned long long> CpuTicksOfStat(std::string_view stat);

private:
    int pid_ = -1;
};

}  // namespace fanout
