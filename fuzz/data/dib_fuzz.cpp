// Avatar picture loader on arbitrary bytes: a loaded picture must be whole and self-consistent.
#include "plexa/data/dib_loader.h"

#include "dib_fuzz_limits.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (DeclaresLargePicture(data, size)) return 0;
    const auto dib = plexa::LoadDibBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!dib) return 0;
    const size_t expected = 40 + static_cast<size_t>(dib->Stride()) * dib->Height();
    if (dib->BitCount() != 24 || dib->Block().size() != expected || dib->ImageSize() + 40 != expected) std::abort();
    // Touch the corners so a short block would show.
    volatile QRgb sink = dib->PixelAt(0, 0) ^ dib->PixelAt(dib->Width() - 1, dib->Height() - 1);
    (void)sink;
    return 0;
}
