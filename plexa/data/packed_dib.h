#pragma once
// A loaded picture as one block: a 40-byte BMP info header followed by 24-bit rows, bottom-up,
// blue-green-red, each row padded to four bytes.
#include <QImage>
#include <QRgb>
#include <cstdint>
#include <vector>

namespace plexa {

class PackedDib {
public:
    static constexpr int kInfoHeaderSize = 40;

    // A black picture of the given size; callers check the size first (see DibDecoder).
    PackedDib(int width, int height, int32_t xPelsPerMeter = 0, int32_t yPelsPerMeter = 0);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Stride() const { return m_stride; }
    static int StrideFor(int width) { return ((width * 3 + 3) / 4) * 4; }

    // Header fields as stored in the block.
    int BitCount() const;
    uint32_t Compression() const;
    uint32_t ImageSize() const;
    uint32_t ColourCount() const;
    uint32_t ImportantColourCount() const;

    const std::vector<unsigned char>& Block() const { return m_block; }
    // Row `row` counted from the bottom, as stored.
    unsigned char* Row(int row) { return m_block.data() + kInfoHeaderSize + static_cast<size_t>(row) * m_stride; }
    const unsigned char* Row(int row) const {
        return m_block.data() + kInfoHeaderSize + static_cast<size_t>(row) * m_stride;
    }

    // Pixel at (x, y) counted from the top-left, as the picture is seen.
    QRgb PixelAt(int x, int y) const;
    // The picture top-down as a 32-bit image.
    QImage ToImage() const;

private:
    std::vector<unsigned char> m_block;
    int m_width;
    int m_height;
    int m_stride;
};

}  // namespace plexa
