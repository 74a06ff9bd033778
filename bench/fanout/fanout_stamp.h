#pragma once
// The send time travels inside what the systems relay anyway, so latency is measured on the
// real payload: in a pose as two whole numbers in the facing (exact in a float; the position is
// the sender's place in the crowd, which the server reads), in a chat line as text. Times are
// microseconds on the benchmark's own steady clock.
#include "protocol/messages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fanout {

// Largest time a pose can carry (about 12 days): 24 bits in dx and 16 in dz, both exact in a float.
constexpr uint64_t kMaxPoseStampMicros = (uint64_t(1) << 40) - 1;

// A pose at (x, 0, z) whose facing carries the time and, in dy, the sender's index.
protocol::Pose PoseWithStamp(uint64_t micros, int sender, float x = 0, float z = 0);
std::optional<uint64_t> StampOfPose(const protocol::Pose& pose);
std::optional<int> SenderOfPose(const protocol::Pose& pose);

std::string ChatWithStamp(uint64_t micros, int sender);
std::optional<uint64_t> StampOfChat(std::string_view text);

}  // namespace fanout
