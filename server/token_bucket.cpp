#include "server/token_bucket.h"

#include <algorithm>

namespace server {

bool TokenBucket::Take(Clock::time_point now) {
    const double elapsed = std::chrono::duration<double>(now - last_).count();
    if (elapsed > 0) {
        tokens_ = std::min(burst_, tokens_ + elapsed * rate_);
        last_ = now;
    }
    if (tokens_ < 1.0) return false;
    tokens_ -= 1.0;
    return true;
}

}  // namespace server
