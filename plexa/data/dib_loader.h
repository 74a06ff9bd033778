#pragma once
// Loading avatar pictures: any supported BMP becomes a 24-bit uncompressed PackedDib.
#include "plexa/data/packed_dib.h"

#include <optional>
#include <string>
#include <string_view>

namespace plexa {

// Fails when the file cannot be opened, is not a BMP ("BM"), is shorter than its header says
// (uncompressed), has a bit count other than 1, 4, 8 or 24, or its data cannot be expanded.
// The path is CP932 text.
std::optional<PackedDib> LoadDibFile(const std::string& cp932Path);

// Where the pixels start after the 14-byte file header, as the file header says (0: not said).
uint64_t PixelOffset(std::string_view file);

// The same over the file's bytes.
std::optional<PackedDib> LoadDibBytes(std::string_view file);

}  // namespace plexa
