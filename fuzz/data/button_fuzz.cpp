// Button picture decoder on arbitrary bytes.
#include "plexa/data/button_bitmap.h"

#include "dib_fuzz_limits.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (DeclaresLargePicture(data, size)) return 0;
    const QImage image = plexa::DecodeButtonBitmap(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!image.isNull() && (image.width() <= 0 || image.height() <= 0)) std::abort();
    return 0;
}
