#include "plexa/data/dib_drawing.h"

#include <QPainter>

namespace plexa {

void DrawDibStretched(QPainter& painter, int destX, int destY, int destWidth, int destHeight, int srcX, int srcY,
                      int srcWidth, int srcHeight, const PackedDib& dib) {
    // A fresh display image on every paint; the DIB itself stays loaded so painting never reads the file.
    const QImage image = dib.ToImage();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(destX, destY, destWidth, destHeight), image, QRect(srcX, srcY, srcWidth, srcHeight));
    painter.restore();
}

}  // namespace plexa
