#pragma once
// Splits a byte stream into messages. Bytes may arrive in any pieces; the first bad frame puts
// the decoder in a failed state for good (the connection is to be dropped, there is no resync).
#include "protocol/codec.h"

#include <cstddef>
#include <string>

namespace protocol {

class FrameDecoder {
public:
    enum class Status { NeedMore, Ready, Failed };

    explicit FrameDecoder(Direction direction) : direction_(direction) {}

    void Append(const uint8_t* data, size_t size);
    // Ready: *out holds the next message. NeedMore: wait for more bytes. Failed: see Error().
    Status Next(Message* out);
    const std::string& Error() const { return error_; }
    size_t Buffered() const { return buffer_.size() - readPos_; }

private:
    Direction direction_;
    Bytes buffer_;
    size_t readPos_ = 0;
    std::string error_;
};

}  // namespace protocol
