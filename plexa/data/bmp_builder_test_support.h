#pragma once
// Builds BMP files byte by byte for the loader tests, with every header field settable so that
// tests can also make them lie.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plexa::test {

struct BmpSpec {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    std::vector<uint32_t> palette;      // 0xRRGGBB entries written as the colour table
    std::optional<uint32_t> colourCount;  // defaults to the palette's size
    std::optional<uint32_t> imageSize;    // defaults to the data's size
    std::optional<uint32_t> fileSize;     // defaults to the real size
    uint32_t infoSize = 40;
    std::string data;                   // pixel rows or run-length codes
};

inline void Put(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline std::string MakeBmp(const BmpSpec& s) {
    std::string info;
    Put(info, s.infoSize, 4);
    Put(info, static_cast<uint32_t>(s.width), 4);
    Put(info, static_cast<uint32_t>(s.height), 4);
    Put(info, 1, 2);
    Put(info, s.bitCount, 2);
    Put(info, s.compression, 4);
    Put(info, s.imageSize.value_or(static_cast<uint32_t>(s.data.size())), 4);
    Put(info, 2835, 4);
    Put(info, 2835, 4);
    Put(info, s.colourCount.value_or(static_cast<uint32_t>(s.palette.size())), 4);
    Put(info, 0, 4);
    for (uint32_t c : s.palette) Put(info, c & 0xFFFFFF, 4);  // stored blue, green, red, 0
    const uint32_t total = static_cast<uint32_t>(14 + info.size() + s.data.size());
    std::string file = "BM";
    Put(file, s.fileSize.value_or(total), 4);
    Put(file, 0, 4);
    Put(file, 14 + 40 + 4 * s.palette.size(), 4);
    return file + info + s.data;
}

inline BmpSpec Rgb24(int32_t width, int32_t height, std::string data) {
    BmpSpec s;
    s.width = width;
    s.height = height;
    s.data = std::move(data);
    return s;
}

// Bytes from a list of small integers, for pixel rows and run-length codes.
inline std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

}  // namespace plexa::test
