#pragma once
// How long to wait before the nth attempt to reconnect: 1, 2, 4, 8, 16 seconds, then 30 for
// every further one, each shortened by up to a quarter at random so that many clients cut off
// together do not all knock at the same moment.
namespace plexa {

inline constexpr int kReconnectCapMs = 30000;

// attempt counts from 1; jitter is a number in [0, 1).
int ReconnectDelayMs(int attempt, double jitter);

}  // namespace plexa
