#include "controls/vrmlview/texture_quality.h"

namespace {

// The scene library filters between mip-map levels from 0.8 and adds anisotropic filtering
// above 0.85.
constexpr float kFiltered = 1.0f;
constexpr float kFilteredWithoutAnisotropy = 0.84f;
constexpr float kUnfiltered = 0.2f;

}  // namespace

bool TextureQuality::IsSoftwareRenderer(std::string_view glRenderer) {
    for (std::string_view name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (glRenderer.find(name) != std::string_view::npos) return true;
    return false;
}

float TextureQuality::For(bool texturesOn, bool highQuality, std::string_view glRenderer) {
    if (!texturesOn) return 0.0f;
    if (!highQuality) return kUnfiltered;
    return IsSoftwareRenderer(glRenderer) ? kFilteredWithoutAnisotropy : kFiltered;
}
