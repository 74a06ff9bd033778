#pragma once
// Encoding and decoding of single frames. A frame is
//   u32 length (big-endian, counts the bytes after it) | u8 version | u8 type | payload
// Integers are big-endian, floats their IEEE-754 bits as u32, texts u16 length + bytes.
#include "protocol/messages.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace protocol {

using Bytes = std::vector<uint8_t>;

// The whole frame, header included.
Bytes Encode(const Message& message);
// Appends the frame to out (cheap batching of many frames into one buffer).
void EncodeTo(const Message& message, Bytes& out);

struct DecodeError {
    std::string what;
};

// Decodes one frame body (after the length field: version, type, payload). Refuses a wrong
// version, a type the given direction does not carry, short or overlong payloads and texts
// beyond their limits.
std::optional<Message> DecodeBody(Direction direction, std::span<const uint8_t> body, DecodeError* error = nullptr);

}  // namespace protocol
