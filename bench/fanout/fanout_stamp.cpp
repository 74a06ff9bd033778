#include "bench/fanout/fanout_stamp.h"

#include "platform/text/carried_text.h"

#include <charconv>
#include <cmath>

namespace fanout {
namespace {

constexpr std::string_view kChatPrefix = "t=";

}  // namespace

protocol::Pose PoseWithStamp(uint64_t micros, int sender, float x, float z) {
    micros &= kMaxPoseStampMicros;
    return {x, 0.0f, z, float(micros >> 16), float(sender), float(micros & 0xFFFF)};
}

std::optional<int> SenderOfPose(const protocol::Pose& pose) {
    const float sender = pose[4];
    if (!std::isfinite(sender) || sender < 0 || sender > 65535.0f || std::floor(sender) != sender) return std::nullopt;
    return int(sender);
}

std::optional<uint64_t> StampOfPose(const protocol::Pose& pose) {
    const float high = pose[3], low = pose[5];
    if (!std::isfinite(high) || !std::isfinite(low) || high < 0 || low < 0 || low > 65535.0f ||
        high > float(kMaxPoseStampMicros >> 16) || std::floor(high) != high || std::floor(low) != low)
        return std::nullopt;
    return (uint64_t(high) << 16) | uint64_t(low);
}

// Everyday chat holds characters beyond CP932; they travel as the chat control carries them.
// Converted once: the send path measures the systems, not the conversion.
const std::string& Greeting() {
    static const std::string greeting = platform::Utf8ToCarried(": hello everyone in the region, café 😀");
    return greeting;
}

std::string ChatWithStamp(uint64_t micros, int sender) {
    return std::string(kChatPrefix) + std::to_string(micros) + " from bench" + std::to_string(sender) + Greeting();
}

std::optional<uint64_t> StampOfChat(std::string_view text) {
    if (text.substr(0, kChatPrefix.size()) != kChatPrefix) return std::nullopt;
    const char* begin = text.data() + kChatPrefix.size();
    const char* end = text.data() + text.size();
    uint64_t micros = 0;
    auto [next, ec] = std::from_chars(begin, end, micros);
    if (ec != std::errc() || next == begin || (next != end && *next != ' ')) return std::nullopt;
    return micros;
}

}  // namespace fanout
