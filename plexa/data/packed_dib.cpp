#include "plexa/data/packed_dib.h"

namespace plexa {
namespace {

void Put16(unsigned char* at, uint16_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}
void Put32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}
uint32_t Get32(const unsigned char* at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

}  // namespace

PackedDib::PackedDib(int width, int height, int32_t xPelsPerMeter, int32_t yPelsPerMeter)
    : m_width(width), m_height(height), m_stride(StrideFor(width)) {
    const size_t imageSize = static_cast<size_t>(m_stride) * static_cast<size_t>(height);
    m_block.assign(kInfoHeaderSize + imageSize, 0);
    unsigned char* h = m_block.data();
    Put32(h + 0, kInfoHeaderSize);
    Put32(h + 4, static_cast<uint32_t>(width));
    Put32(h + 8, static_cast<uint32_t>(height));
    Put16(h + 12, 1);   // planes
    Put16(h + 14, 24);  // bit count
    Put32(h + 16, 0);   // no compression
    Put32(h + 20, static_cast<uint32_t>(imageSize));
    Put32(h + 24, static_cast<uint32_t>(xPelsPerMeter));
    Put32(h + 28, static_cast<uint32_t>(yPelsPerMeter));
    // colour count and important-colour count stay 0: there is no colour table
}

int PackedDib::BitCount() const { return m_block[14] | m_block[15] << 8; }
uint32_t PackedDib::Compression() const { return Get32(m_block.data() + 16); }
uint32_t PackedDib::ImageSize() const { return Get32(m_block.data() + 20); }
uint32_t PackedDib::ColourCount() const { return Get32(m_block.data() + 32); }
uint32_t PackedDib::ImportantColourCount() const { return Get32(m_block.data() + 36); }

QRgb PackedDib::PixelAt(int x, int y) const {
    const unsigned char* p = Row(m_height - 1 - y) + static_cast<size_t>(x) * 3;
    return qRgb(p[2], p[1], p[0]);
}

QImage PackedDib::ToImage() const {
    QImage image(m_width, m_height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (int y = 0; y < m_height; ++y) {
        const unsigned char* p = Row(m_height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < m_width; ++x, p += 3) out[x] = qRgb(p[2], p[1], p[0]);
    }
    return image;
}

}  // namespace plexa
