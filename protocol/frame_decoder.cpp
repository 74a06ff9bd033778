#include "protocol/frame_decoder.h"

#include "protocol/limits.h"

namespace protocol {

void FrameDecoder::Append(const uint8_t* data, size_t size) {
    if (!error_.empty() || size == 0) return;
    // Reclaim consumed bytes before growing, so a long session does not grow the buffer.
    if (readPos_ > 0 && readPos_ * 2 >= buffer_.size()) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(readPos_));
        readPos_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

FrameDecoder::Status FrameDecoder::Next(Message* out) {
    if (!error_.empty()) return Status::Failed;
    const size_t available = buffer_.size() - readPos_;
    if (available < kLengthFieldSize) return Status::NeedMore;
    const uint8_t* p = buffer_.data() + readPos_;
    const uint32_t length = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    // Judge the length before waiting for the body: an oversized claim is refused at once.
    if (length > kMaxFrameLength) {
        error_ = "frame length " + std::to_string(length) + " over the limit";
        return Status::Failed;
    }
    if (length < kHeaderSize - kLengthFieldSize) {
        error_ = "frame length " + std::to_string(length) + " too short";
        return Status::Failed;
    }
    if (available < kLengthFieldSize + length) return Status::NeedMore;
    DecodeError error;
    auto message = DecodeBody(direction_, std::span<const uint8_t>(p + kLengthFieldSize, length), &error);
    if (!message) {
        error_ = error.what;
        return Status::Failed;
    }
    readPos_ += kLengthFieldSize + length;
    if (readPos_ == buffer_.size()) {
        buffer_.clear();
        readPos_ = 0;
    }
    *out = std::move(*message);
    return Status::Ready;
}

}  // namespace protocol
