// Feeds arbitrary bytes, in arbitrary pieces, to one side's frame decoder. Every frame it accepts
// must encode back to exactly the bytes it came from.
#include "protocol/codec.h"
#include "protocol/frame_decoder.h"

#include <cstdlib>
#include <cstring>

#ifndef FUZZ_DIRECTION
#error "FUZZ_DIRECTION must be ToServer or ToClient"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace protocol;
    if (size < 1) return 0;
    const size_t piece = data[0] % 17 + 1;
    ++data;
    --size;
    FrameDecoder decoder(Direction::FUZZ_DIRECTION);
    size_t fed = 0, consumed = 0;
    Message message;
    while (fed < size) {
        const size_t n = std::min(piece, size - fed);
        decoder.Append(data + fed, n);
        fed += n;
        for (;;) {
            auto status = decoder.Next(&message);
            if (status != FrameDecoder::Status::Ready) break;
            const Bytes again = Encode(message);
            if (consumed + again.size() > size || std::memcmp(again.data(), data + consumed, again.size()) != 0)
                std::abort();
            consumed += again.size();
        }
    }
    return 0;
}
