#pragma once
// Microseconds since the benchmark started, on the steady clock every client thread shares.
#include <chrono>
#include <cstdint>

namespace fanout {

inline uint64_t NowMicros() {
    static const auto epoch = std::chrono::steady_clock::now();
    return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - epoch)
                        .count());
}

}  // namespace fanout
