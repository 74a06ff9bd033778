#include "plexa/session/reconnect_backoff.h"

#include <algorithm>

namespace plexa {

int ReconnectDelayMs(int attempt, double jitter) {
    const int doublings = std::clamp(attempt - 1, 0, 15);
    const int full = std::min(kReconnectCapMs, 1000 << doublings);
    const double shortened = full * (1.0 - 0.25 * std::clamp(jitter, 0.0, 1.0));
    return std::max(1, static_cast<int>(shortened));
}

}  // namespace plexa
