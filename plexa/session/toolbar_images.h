#pragma once
// The panel's button pictures and logo, drawn at first use and kept for the process. Each id is
// one bitmap resource of the panel: a picture in one of three faces (up, down, disabled).
#include <QImage>

namespace plexa {

class ToolbarImages {
public:
    // The bitmap of a resource id; a null image for an id the panel does not use.
    static QImage Image(int resourceId);
    // Bitmap 362: the logo, 122 x 58, on black (black is the transparent colour).
    static QImage Logo();
};

}  // namespace plexa
