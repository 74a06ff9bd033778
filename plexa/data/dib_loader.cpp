#include "plexa/data/dib_loader.h"

#include "plexa/data/dib_decoder.h"
#include "plexa/data/text_lines.h"

namespace plexa {
namespace {
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kSmallestInfoHeader = 12;
uint32_t Get32(const char* at) {
    const auto* p = reinterpret_cast<const unsigned char*>(at);
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
}  // namespace

uint64_t PixelOffset(std::string_view file) {
    if (file.size() < kFileHeaderSize) return 0;
    const uint32_t offset = Get32(file.data() + 10);
    return offset > kFileHeaderSize ? offset - kFileHeaderSize : 0;
}

std::optional<PackedDib> LoadDibBytes(std::string_view file) {
    if (file.size() < kFileHeaderSize || file[0] != 'B' || file[1] != 'M') return std::nullopt;
    // The file header's size decides how much is read; a size below the headers cannot be right.
    const uint32_t declared = Get32(file.data() + 2);
    if (declared < kFileHeaderSize + kSmallestInfoHeader) return std::nullopt;
    const size_t wanted = declared - kFileHeaderSize;
    std::string_view block = file.substr(kFileHeaderSize, wanted);
    if (block.size() < wanted) {
        // Only run-length data may end early: it stops where its codes say. The 12-byte header
        // has no compression field.
        if (block.size() < PackedDib::kInfoHeaderSize || Get32(block.data()) == kSmallestInfoHeader ||
            Get32(block.data() + 16) == 0) {
            return std::nullopt;
        }
    }
    return DecodeDib(block, DibDepths::Picture, PixelOffset(file));
}

std::optional<PackedDib> LoadDibFile(const std::string& cp932Path) {
    const std::optional<std::string> bytes = ReadFileBytes(cp932Path);
    if (!bytes) return std::nullopt;
    return LoadDibBytes(*bytes);
}

}  // namespace plexa
