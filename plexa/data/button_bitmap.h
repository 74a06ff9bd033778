#pragma once
// Loading action-button pictures into a display bitmap.
#include <QImage>
#include <QPixmap>
#include <string>
#include <string_view>

namespace plexa {

// On success replaces bitmap with the file's picture and returns true; on failure leaves it as it
// was. Accepts 1, 4, 8, 16, 24 and 32 bits, run-length and bit-field forms. The path is CP932.
bool LoadButtonBitmap(const std::string& cp932Path, QPixmap& bitmap);

// The picture of a whole BMP file's bytes; a null image on failure.
QImage DecodeButtonBitmap(std::string_view file);

}  // namespace plexa
