#pragma once
// Limits of the world protocol. The server enforces them and announces them in its Welcome;
// the decoder refuses anything beyond them so no peer can make the other allocate without bound.
#include <cstddef>
#include <cstdint>

namespace protocol {

constexpr uint8_t kProtocolVersion = 1;

// Header: u32 length (of everything after it), u8 version, u8 type.
constexpr size_t kLengthFieldSize = 4;
constexpr size_t kHeaderSize = 6;
// Largest length field accepted; every message fits well inside it.
constexpr uint32_t kMaxFrameLength = 4096;

// Text fields, in CP932 bytes. Chat and ESP leave room above the chat control's input limits
// (256 and 512 bytes).
constexpr size_t kMaxChatText = 1024;
constexpr size_t kMaxEspText = 1024;
constexpr size_t kMaxUserId = 255;
constexpr size_t kMaxAvatarName = 255;
constexpr size_t kMaxAvatarNumber = 32;
constexpr size_t kMaxRegionAddress = 1024;
constexpr size_t kMaxActionCode = 32;
constexpr size_t kMaxPassword = 255;
constexpr size_t kMaxAdminText = 1024;
constexpr size_t kMaxByeText = 255;

}  // namespace protocol
