#include "plexa/data/dib_decoder.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace plexa {
namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;

uint16_t Get16(const unsigned char* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
uint32_t Get32(const unsigned char* at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

struct InfoHeader {
    uint32_t size;
    int64_t width;
    int64_t height;  // always positive; topDown says which way the rows run
    bool topDown;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t imageSize;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t colourCount;
    int paletteEntryBytes;  // 3 for the 12-byte form, 4 for every other
};

constexpr uint32_t kCoreHeaderSize = 12;

// The 12-byte form (16-bit sizes, 3-byte colour entries) and the 40-byte form with its later
// extensions (52, 56, 108 and 124 bytes: masks, colour space and profile after the same start).
std::optional<InfoHeader> ReadInfoHeader(const unsigned char* p, uint64_t size) {
    if (size < 4) return std::nullopt;
    const uint32_t headerSize = Get32(p);
    if (headerSize == kCoreHeaderSize) {
        if (size < kCoreHeaderSize) return std::nullopt;
        return InfoHeader{headerSize, Get16(p + 4), Get16(p + 6), false, Get16(p + 10), 0, 0, 0, 0, 0, 3};
    }
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124) {
        return std::nullopt;
    }
    if (size < headerSize) return std::nullopt;
    const int64_t height = static_cast<int32_t>(Get32(p + 8));
    return InfoHeader{headerSize,
                      static_cast<int32_t>(Get32(p + 4)),
                      height < 0 ? -height : height,
                      height < 0,
                      Get16(p + 14),
                      Get32(p + 16),
                      Get32(p + 20),
                      static_cast<int32_t>(Get32(p + 24)),
                      static_cast<int32_t>(Get32(p + 28)),
                      Get32(p + 32),
                      4};
}

using Palette = std::array<std::array<unsigned char, 3>, 256>;  // blue, green, red

// Indices past the file's table show black instead of reading beyond it.
Palette ReadPalette(const unsigned char* table, uint32_t count, int entryBytes) {
    Palette palette{};
    for (uint32_t i = 0; i < count && i < 256; ++i) {
        const unsigned char* entry = table + static_cast<size_t>(entryBytes) * i;
        palette[i] = {entry[0], entry[1], entry[2]};
    }
    return palette;
}

// Expands 8- or 4-bit run-length data into one index byte per pixel (rows bottom-up, no padding).
// False when the data would write outside the picture or a code is cut short.
bool ExpandRunLength(const unsigned char* data, size_t size, int bits, uint64_t width, uint64_t height,
                     unsigned char* indices) {
    uint64_t column = 0;
    uint64_t row = 0;
    auto put = [&](unsigned char value) {
        if (column >= width || row >= height) return false;
        indices[row * width + column] = value;
        ++column;
        return true;
    };
    auto nibbleOrByte = [bits](unsigned char byte, unsigned i) -> unsigned char {
        if (bits == 8) return byte;
        return (i % 2 == 0) ? byte >> 4 : byte & 0x0F;
    };
    size_t pos = 0;
    while (pos + 2 <= size) {
        const unsigned char first = data[pos];
        const unsigned char second = data[pos + 1];
        pos += 2;
        if (first > 0) {
            for (unsigned i = 0; i < first; ++i)
                if (!put(nibbleOrByte(second, i))) return false;
        } else if (second == 0) {
            column = 0;
            ++row;
        } else if (second == 1) {
            break;
        } else if (second == 2) {
            if (pos + 2 > size) return false;
            column += data[pos];
            row += data[pos + 1];
            pos += 2;
        } else {
            const unsigned count = second;
            const size_t bytes = bits == 8 ? count : (count + 1) / 2;
            if (pos + bytes > size) return false;
            for (unsigned i = 0; i < count; ++i) {
                const unsigned char byte = data[pos + (bits == 8 ? i : i / 2)];
                if (!put(bits == 8 ? byte : nibbleOrByte(byte, i))) return false;
            }
            pos += bytes + (bytes & 1);  // literal runs are padded to a whole word
        }
    }
    return true;
}

// One row of colour indices, most significant bits first within each byte, to blue-green-red.
template <int Bits>
void ExpandRow(const unsigned char* in, uint64_t width, const Palette& palette, unsigned char* out) {
    constexpr int perByte = 8 / Bits;
    constexpr unsigned mask = (1u << Bits) - 1;
    uint64_t x = 0;
    for (const unsigned char* byte = in; x < width; ++byte) {
        for (int k = perByte - 1; k >= 0 && x < width; --k, ++x, out += 3) {
            const auto& colour = palette[(*byte >> (k * Bits)) & mask];
            out[0] = colour[0];
            out[1] = colour[1];
            out[2] = colour[2];
        }
    }
}

struct Channel {
    uint32_t mask;
    int shift;
    int width;
};

Channel ChannelOf(uint32_t mask) {
    if (mask == 0) return {0, 0, 0};
    return {mask, std::countr_zero(mask), std::popcount(mask)};
}

unsigned char Scale(uint32_t pixel, const Channel& c) {
    if (c.width == 0) return 0;
    const uint32_t value = (pixel & c.mask) >> c.shift;
    if (c.width >= 8) return static_cast<unsigned char>(value >> (c.width - 8));
    return static_cast<unsigned char>(value * 255 / ((1u << c.width) - 1));
}

}  // namespace

std::optional<PackedDib> DecodeDib(std::string_view block, DibDepths depths, uint64_t pixelOffset) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    const uint64_t size = block.size();
    const std::optional<InfoHeader> header = ReadInfoHeader(bytes, size);
    if (!header) return std::nullopt;
    const InfoHeader& h = *header;
    if (h.width <= 0 || h.height <= 0) return std::nullopt;
    // Run-length data always runs bottom-up; a top-down one is malformed.
    if (h.topDown && (h.compression == kRle8 || h.compression == kRle4)) return std::nullopt;

    const int bits = h.bitCount;
    const bool paletted = bits == 1 || bits == 4 || bits == 8;
    const bool direct = bits == 24 || (depths == DibDepths::Button && (bits == 16 || bits == 32));
    if (!paletted && !direct) return std::nullopt;
    switch (h.compression) {
    case kRgb:
        break;
    case kRle8:
        if (bits != 8) return std::nullopt;
        break;
    case kRle4:
        if (bits != 4) return std::nullopt;
        break;
    case kBitFields:
        if (bits != 16 && bits != 32) return std::nullopt;
        break;
    default:
        return std::nullopt;
    }

    const uint64_t width = static_cast<uint64_t>(h.width);
    const uint64_t height = static_cast<uint64_t>(h.height);
    const uint64_t outStride = (width * 3 + 3) / 4 * 4;
    if (outStride * height > kMaxDibImageBytes) return std::nullopt;

    if (paletted && h.colourCount > (1u << bits)) return std::nullopt;
    const uint64_t tableCount = paletted && h.colourCount == 0 ? (1u << bits) : h.colourCount;
    // The 40-byte form keeps its bit-field masks after the header; the longer forms inside it.
    const uint64_t tableOffset = h.size + (h.compression == kBitFields && h.size == 40 ? 12 : 0);
    uint64_t dataOffset = tableOffset + static_cast<uint64_t>(h.paletteEntryBytes) * tableCount;
    // Writers may leave a gap before the pixels; the file header says where they start.
    if (pixelOffset > dataOffset) dataOffset = pixelOffset;
    if (dataOffset > size) return std::nullopt;
    const unsigned char* data = bytes + dataOffset;
    const uint64_t available = size - dataOffset;

    PackedDib out(static_cast<int>(h.width), static_cast<int>(h.height), h.xPelsPerMeter, h.yPelsPerMeter);
    // The output row a row of the file fills: the file's first row is the bottom one unless
    // the picture is stored top-down.
    auto outRow = [&](uint64_t fileRow) {
        return out.Row(static_cast<int>(h.topDown ? height - 1 - fileRow : fileRow));
    };

    if (paletted) {
        const Palette palette = ReadPalette(bytes + tableOffset, static_cast<uint32_t>(tableCount), h.paletteEntryBytes);
        if (h.compression == kRle8 || h.compression == kRle4) {
            const uint64_t declared = h.imageSize == 0 ? available : std::min<uint64_t>(h.imageSize, available);
            std::vector<unsigned char> indices(width * height, 0);
            if (!ExpandRunLength(data, declared, bits, width, height, indices.data())) return std::nullopt;
            for (uint64_t y = 0; y < height; ++y) {
                unsigned char* o = out.Row(static_cast<int>(y));
                const unsigned char* in = indices.data() + y * width;
                for (uint64_t x = 0; x < width; ++x, o += 3) std::memcpy(o, palette[in[x]].data(), 3);
            }
            return out;
        }
        const uint64_t inStride = (width * bits + 31) / 32 * 4;
        if (inStride * height > available) return std::nullopt;
        for (uint64_t y = 0; y < height; ++y) {
            const unsigned char* in = data + y * inStride;
            unsigned char* o = outRow(y);
            switch (bits) {
            case 8:
                ExpandRow<8>(in, width, palette, o);
                break;
            case 4:
                ExpandRow<4>(in, width, palette, o);
                break;
            default:
                ExpandRow<1>(in, width, palette, o);
                break;
            }
        }
        return out;
    }

    const uint64_t inStride = (width * bits + 31) / 32 * 4;
    if (inStride * height > available) return std::nullopt;
    if (bits == 24) {
        for (uint64_t y = 0; y < height; ++y)
            std::memcpy(outRow(y), data + y * inStride, width * 3);
        return out;
    }
    Channel red, green, blue;
    if (h.compression == kBitFields) {
        red = ChannelOf(Get32(bytes + 40));
        green = ChannelOf(Get32(bytes + 44));
        blue = ChannelOf(Get32(bytes + 48));
    } else if (bits == 16) {
        red = ChannelOf(0x7C00);
        green = ChannelOf(0x03E0);
        blue = ChannelOf(0x001F);
    } else {
        red = ChannelOf(0xFF0000);
        green = ChannelOf(0x00FF00);
        blue = ChannelOf(0x0000FF);
    }
    for (uint64_t y = 0; y < height; ++y) {
        const unsigned char* in = data + y * inStride;
        unsigned char* o = outRow(y);
        for (uint64_t x = 0; x < width; ++x, o += 3) {
            const uint32_t pixel = bits == 16 ? Get16(in + 2 * x) : Get32(in + 4 * x);
            o[0] = Scale(pixel, blue);
            o[1] = Scale(pixel, green);
            o[2] = Scale(pixel, red);
        }
    }
    return out;
}

}  // namespace plexa
