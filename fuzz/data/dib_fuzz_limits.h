#pragma once
// Pictures the loaders would accept at full size cost tens of megabytes a run; the fuzzers skip
// inputs that declare such sizes so the rest gets its millions of runs. Sizes past the loaders' own
// limit still go through, so their refusal stays covered.
#include "plexa/data/dib_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

inline bool DeclaresLargePicture(const uint8_t* data, size_t size) {
    if (size < 26) return false;
    auto get = [data](size_t at) {
        return static_cast<int32_t>(uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 | uint32_t{data[at + 2]} << 16 |
                                    uint32_t{data[at + 3]} << 24);
    };
    uint64_t pixels = static_cast<uint64_t>(std::llabs(get(18))) * static_cast<uint64_t>(std::llabs(get(22)));
    if (get(14) == 12) {  // the 12-byte header form: 16-bit width and height
        pixels = uint64_t{static_cast<uint32_t>(get(18)) & 0xFFFF} * (static_cast<uint32_t>(get(18)) >> 16);
    }
    const uint64_t bytes = pixels * 4;
    return bytes > (uint64_t{1} << 20) && bytes <= uint64_t{4} * plexa::kMaxDibImageBytes;
}
