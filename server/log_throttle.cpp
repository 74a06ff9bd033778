#include "server/log_throttle.h"

namespace server {

std::optional<std::string> LogThrottle::Note(const std::string& what, Clock::time_point now) {
    if (lastLine_ && now - *lastLine_ < period_) {
        ++held_;
        return std::nullopt;
    }
    std::string line = what;
    if (held_) line += " (" + std::to_string(held_) + " more since the last line)";
    held_ = 0;
    lastLine_ = now;
    return line;
}

std::optional<std::string> LogThrottle::Settle(const std::string& what) {
    const size_t held = held_;
    held_ = 0;
    lastLine_.reset();
    if (!held) return std::nullopt;
    return what + " (" + std::to_string(held) + " more since the last line)";
}

}  // namespace server
