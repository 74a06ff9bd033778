#include "plexa/data/button_bitmap.h"

#include "plexa/data/dib_decoder.h"
#include "plexa/data/dib_loader.h"
#include "plexa/data/text_lines.h"

namespace plexa {

QImage DecodeButtonBitmap(std::string_view file) {
    constexpr size_t kFileHeaderSize = 14;
    if (file.size() < kFileHeaderSize || file[0] != 'B' || file[1] != 'M') return {};
    const std::optional<PackedDib> dib = DecodeDib(file.substr(kFileHeaderSize), DibDepths::Button, PixelOffset(file));
    if (!dib) return {};
    return dib->ToImage();
}

bool LoadButtonBitmap(const std::string& cp932Path, QPixmap& bitmap) {
    const std::optional<std::string> bytes = ReadFileBytes(cp932Path);
    if (!bytes) return false;
    const QImage image = DecodeButtonBitmap(*bytes);
    if (image.isNull()) return false;
    QPixmap pixmap = QPixmap::fromImage(image);
    if (pixmap.isNull()) return false;
    bitmap = std::move(pixmap);
    return true;
}

}  // namespace plexa
