// mediafilter1.ax: texture images decoded with Qt's image readers (BMP, PNG, JPEG, GIF, ...).
#include "controls/mediafilter/media_filter_api.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cstdlib>
#include <cstring>

namespace {
// Textures larger than this are refused rather than exhausting memory on a hostile file.
constexpr int kMaxSide = 8192;
}

extern "C" __attribute__((visibility("default"))) int MonekoDecodeImage(
    const char* path, int* width, int* height, int* components, unsigned char** pixels) {
    if (!path || !width || !height || !components || !pixels) return 0;
    *pixels = nullptr;
    try {
        QImageReader reader(QFile::decodeName(path));
        reader.setAutoTransform(true);
        QSize size = reader.size();
        if (size.isValid() && (size.width() > kMaxSide || size.height() > kMaxSide)) return 0;
        QImage image = reader.read();
        if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide) return 0;
        const bool alpha = image.hasAlphaChannel();
        image = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
        const int comps = alpha ? 4 : 3;
        const size_t rowBytes = static_cast<size_t>(image.width()) * comps;
        auto* out = static_cast<unsigned char*>(std::malloc(rowBytes * image.height()));
        if (!out) return 0;
        // GL wants the bottom row first.
        for (int y = 0; y < image.height(); ++y) {
            std::memcpy(out + rowBytes * (image.height() - 1 - y), image.constScanLine(y), rowBytes);
        }
        *width = image.width();
        *height = image.height();
        *components = comps;
        *pixels = out;
        return 1;
    } catch (...) {
        return 0;
    }
}

extern "C" __attribute__((visibility("default"))) void MonekoFreeImage(unsigned char* pixels) {
    std::free(pixels);
}
