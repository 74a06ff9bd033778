#pragma once
// The twelve option numbers the main panel keeps a copy of from its start; the options sheet
// reads them and, on OK, updates them. Flags are 1 on, 0 off.
#include <cstdint>

namespace plexa {

struct OptionValues {
    int32_t dithering = 1, fullColor = 1, texture = 1, highQualityTexture = 1;
    int32_t headLightOn = 1, collision = 1, graphicMode = 0, graphicModeMoving = 3;
    int32_t chatAutoSave = 1, espAutoSave = 1, confirmOfFileSave = 1, fixedSize = 1;

    friend bool operator==(const OptionValues&, const OptionValues&) = default;
};

}  // namespace plexa
