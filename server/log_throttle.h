#pragma once
// Keeps a repeating error to one log line a period: the first occurrence is logged at once,
// the repeats are counted and reported with the next line. An accept loop that fails thousands
// of times a second must not fill the disk with the same sentence.
#include <chrono>
#include <optional>
#include <string>

namespace server {

class LogThrottle {
public:
    using Clock = std::chrono::steady_clock;
    explicit LogThrottle(Clock::duration period = std::chrono::seconds(1)) : period_(period) {}

    // The line to log for this occurrence, or nullopt while it is held back.
    std::optional<std::string> Note(const std::string& what, Clock::time_point now = Clock::now());
    // The failing stopped: a closing line if repeats went unreported, else nullopt.
    std::optional<std::string> Settle(const std::string& what);

private:
    Clock::duration period_;
    std::optional<Clock::time_point> lastLine_;
    size_t held_ = 0;
};

}  // namespace server
