#pragma once
// Turns the bytes of a BMP file after its 14-byte file header (the info header in its 12-,
// 40-, 52-, 56-, 108- or 124-byte form, the colour table and the pixels, bottom-up or
// top-down) into a 24-bit PackedDib. Every size the header claims is checked
// against the bytes really there: a hostile file fails, it is never read or written out of bounds.
#include "plexa/data/packed_dib.h"

#include <optional>
#include <string_view>

namespace plexa {

enum class DibDepths {
    Picture,  // 1, 4, 8 and 24 bits, uncompressed or run-length (8 and 4 bits)
    Button,   // the same and 16 and 32 bits, plain or with bit-field masks
};

// Decoded pictures larger than this are refused as if memory were exhausted.
inline constexpr size_t kMaxDibImageBytes = size_t{64} << 20;

// Pixels that run-length data skips (end of line, delta, early end) take colour table entry 0.
// pixelOffset is where the pixels start in block (the file header's offset less 14); it counts
// only when it lies beyond the header and colour table, i.e. when the writer left a gap.
std::optional<PackedDib> DecodeDib(std::string_view block, DibDepths depths, uint64_t pixelOffset = 0);

}  // namespace plexa
