#pragma once
#include "plexa/data/packed_dib.h"

class QPainter;

namespace plexa {

// Copies the DIB's source rectangle (top-left origin) onto the destination rectangle, stretched
// without smoothing: eliminated rows and columns are dropped, not blended.
void DrawDibStretched(QPainter& painter, int destX, int destY, int destWidth, int destHeight, int srcX, int srcY,
                      int srcWidth, int srcHeight, const PackedDib& dib);

}  // namespace plexa
