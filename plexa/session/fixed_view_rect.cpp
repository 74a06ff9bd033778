#include "plexa/session/fixed_view_rect.h"

#include <algorithm>

namespace plexa {

QRect FixedViewRect(int W, int H) {
    const QRect base(W / 2 - kFixedViewWidth / 2, kFixedViewTop, kFixedViewWidth, kFixedViewHeight);
    const int roomWidth = W - 16;
    const int roomHeight = H - kFixedViewTop - kChatReserve;
    if (roomWidth <= kFixedViewWidth || roomHeight <= kFixedViewHeight) return base;
    // Whichever side runs out first decides; the other follows the view's shape.
    int w = roomWidth;
    int h = kFixedViewHeight * roomWidth / kFixedViewWidth;
    if (h > roomHeight) {
        h = roomHeight;
        w = kFixedViewWidth * roomHeight / kFixedViewHeight;
    }
    return QRect((W - w) / 2, kFixedViewTop, w, h);
}

}  // namespace plexa
