#pragma once
// The texture quality the scene library is given for the user's texture options.
#include <string_view>

class TextureQuality {
public:
    // High quality is mip-mapped and filtered between levels. Graphics hardware adds
    // anisotropic filtering for free; a software rasteriser pays for it on every textured pixel
    // (a sixth of a frame in a crowded room) for a picture that differs by a few pixels, so
    // there it is left out.
    static float For(bool texturesOn, bool highQuality, std::string_view glRenderer);
    // Mesa's software rasterisers, by the renderer string they report.
    static bool IsSoftwareRenderer(std::string_view glRenderer);
};
