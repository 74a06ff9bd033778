#include "controls/vrmlview/texture_quality.h"

#include <gtest/gtest.h>

TEST(TextureQuality, SoftwareRasterisersGetHighQualityWithoutAnisotropicFiltering) {
    const char* llvmpipe = "llvmpipe (LLVM 15.0.6, 256 bits)";
    const char* hardware = "Mesa Intel(R) UHD Graphics 620 (KBL GT2)";
    EXPECT_TRUE(TextureQuality::IsSoftwareRenderer(llvmpipe));
    EXPECT_TRUE(TextureQuality::IsSoftwareRenderer("softpipe"));
    EXPECT_TRUE(TextureQuality::IsSoftwareRenderer("Mesa X11 Software Rasterizer"));
    EXPECT_FALSE(TextureQuality::IsSoftwareRenderer(hardware));
    EXPECT_FALSE(TextureQuality::IsSoftwareRenderer(""));

    // Still filtered between mip-map levels (0.8 and up), but under the anisotropic limit (0.85).
    const float software = TextureQuality::For(true, true, llvmpipe);
    EXPECT_GE(software, 0.8f);
    EXPECT_LE(software, 0.85f);
    EXPECT_EQ(TextureQuality::For(true, true, hardware), 1.0f);
    // Before a context exists the renderer is unknown: full quality until it is known.
    EXPECT_EQ(TextureQuality::For(true, true, ""), 1.0f);
    // Low quality and no textures are what they were, whatever draws them.
    EXPECT_EQ(TextureQuality::For(true, false, llvmpipe), TextureQuality::For(true, false, hardware));
    EXPECT_LT(TextureQuality::For(true, false, hardware), 0.5f);
    EXPECT_EQ(TextureQuality::For(false, true, llvmpipe), 0.0f);
    EXPECT_EQ(TextureQuality::For(false, false, hardware), 0.0f);
}
