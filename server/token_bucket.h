#pragma once
// Rate limit with a burst: `rate` tokens a second refill up to `burst`.
#include <chrono>

namespace server {

class TokenBucket {
public:
    using Clock = std::chrono::steady_clock;
    TokenBucket(double rate, double burst, Clock::time_point now = Clock::now())
        : rate_(rate), burst_(burst), tokens_(burst), last_(now) {}
    // Takes one token; false when none is left.
    bool Take(Clock::time_point now = Clock::now());

private:
    double rate_, burst_, tokens_;
    Clock::time_point last_;
};

}  // namespace server
